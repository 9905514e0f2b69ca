// The total of a column of amounts, as the bookkeeper adds the column up.
//
// A settled book shows each amount as a cell in General format does (up to 15
// significant digits), and the bookkeeper checks the summary's total against
// the column. Adding the binary numbers behind the cells does not give that
// total: a thousand bets paid 0.1 each add up to 99.9999999999986. So the sum
// is kept exactly, in decimal, of the amounts as they are shown: each is a
// whole number of up to 18 digits times a power of ten, and the sum keeps one
// whole number per power of ten, carried into the next when it grows large.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::cli::book {

class DecimalSum {
 public:
  // Adds an amount as a cell shows it ("-12.5", "100", "1E+15",
  // "3.33333333333333E-05"). A text that is not such a number ("#NUM!") makes
  // the total unknown: it shows as "#VALUE!", as an overflowing sum does in
  // the add-in.
  void add(std::u16string_view shown);

  // The exact total in plain decimal notation ("1000000000000001",
  // "99.9999999999999") when that takes at most kPlainWidth characters, else
  // as General shows the nearest number ("1E+300"); "#VALUE!" when it is
  // past what a number holds or unknown.
  std::string text() const;

  static constexpr std::size_t kPlainWidth = 40;

 private:
  struct Term {
    int exponent;
    std::int64_t sum;  // of whole numbers, each times 10^exponent
  };
  void add(std::int64_t whole, int exponent);
  // The exact total as its sign and decimal digits, lowest first, the first
  // standing for 10^lowest.
  bool digits(std::vector<int>& out, int& lowest) const;

  std::vector<Term> terms_;
  bool unknown_ = false;
};

}  // namespace korvane::cli::book
