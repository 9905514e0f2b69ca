#include "cli/decimal_sum.h"

#include <algorithm>
#include <charconv>

#include "cli/utf16.h"
#include "core/conventions.h"

namespace korvane::cli::book {
namespace {

// A sum past this is carried into the next power of ten: adding one more
// whole number (under 10^18) cannot overflow.
constexpr std::int64_t kCarryAt = 4'000'000'000'000'000'000;
constexpr int kMostDigits = 18;     // of a shown amount: General shows 15
constexpr int kMostExponent = 400;  // past any a double has

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::int64_t floor_div10(std::int64_t x) { return x >= 0 ? x / 10 : -((-x + 9) / 10); }

}  // namespace

// 1. sign; 2. digits, with a decimal point among them; 3. an exponent; 4.
// nothing after it.
void DecimalSum::add(std::u16string_view s) {
  std::size_t i = 0;
  const bool negative = i < s.size() && s[i] == u'-';
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) ++i;
  std::int64_t whole = 0;
  int exponent = 0, significant = 0;
  bool any = false, point = false;
  for (; i < s.size() && (is_digit(s[i]) || (s[i] == u'.' && !point)); ++i) {
    if (s[i] == u'.') {
      point = true;
      continue;
    }
    any = true;
    if (whole == 0 && s[i] == u'0') {
      if (point) --exponent;
      continue;
    }
    if (++significant > kMostDigits) return void(unknown_ = true);
    whole = whole * 10 + (s[i] - u'0');
    if (point) --exponent;
  }
  if (i < s.size() && (s[i] == u'E' || s[i] == u'e')) {
    ++i;
    const bool down = i < s.size() && s[i] == u'-';
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) ++i;
    int e = 0;
    const std::size_t from = i;
    for (; i < s.size() && is_digit(s[i]) && e <= kMostExponent; ++i) e = e * 10 + (s[i] - u'0');
    if (i == from || e > kMostExponent) return void(unknown_ = true);
    exponent += down ? -e : e;
  }
  if (!any || i != s.size()) return void(unknown_ = true);
  add(negative ? -whole : whole, exponent);
}

void DecimalSum::add(std::int64_t whole, int exponent) {
  while (whole != 0) {
    auto t = std::find_if(terms_.begin(), terms_.end(),
                          [exponent](const Term& x) { return x.exponent == exponent; });
    if (t == terms_.end()) t = terms_.insert(t, Term{exponent, 0});
    t->sum += whole;
    if (t->sum <= kCarryAt && t->sum >= -kCarryAt) return;
    whole = t->sum / 10;
    t->sum %= 10;
    ++exponent;
  }
}

// The terms' digits added place by place, carried so that each is 0-9: a
// negative total leaves a borrow at the top, and is worked out negated.
bool DecimalSum::digits(std::vector<int>& out, int& lowest) const {
  out.clear();
  lowest = 0;
  if (terms_.empty()) return false;
  int highest = terms_.front().exponent;
  lowest = highest;
  for (const Term& t : terms_) {
    lowest = std::min(lowest, t.exponent);
    highest = std::max(highest, t.exponent);
  }
  const std::size_t size = static_cast<std::size_t>(highest - lowest) + 21;
  for (const std::int64_t sign : {1, -1}) {
    std::vector<std::int64_t> d(size, 0);
    for (const Term& t : terms_) {
      std::int64_t v = t.sum * sign;
      for (std::size_t i = static_cast<std::size_t>(t.exponent - lowest); v != 0; ++i) {
        d[i] += v % 10;
        v /= 10;
      }
    }
    std::int64_t carry = 0;
    for (std::int64_t& x : d) {
      x += carry;
      carry = floor_div10(x);
      x -= carry * 10;
    }
    if (carry == 0) {
      out.assign(d.begin(), d.end());
      return sign < 0;
    }
  }
  return false;  // one of the signs always leaves no borrow
}

std::string DecimalSum::text() const {
  if (unknown_) return "#VALUE!";
  std::vector<int> d;
  int lowest = 0;
  const bool negative = digits(d, lowest);
  const auto nonzero = [](int x) { return x != 0; };
  const auto top = std::find_if(d.rbegin(), d.rend(), nonzero);
  if (top == d.rend()) return "0";
  const int high = lowest + static_cast<int>(d.rend() - top) - 1;  // exponent of the first digit
  const int low = lowest + static_cast<int>(std::find_if(d.begin(), d.end(), nonzero) - d.begin());
  const auto digit = [&](int exponent) {
    const int i = exponent - lowest;
    return static_cast<char>('0' + (i >= 0 && i < static_cast<int>(d.size()) ? d[i] : 0));
  };
  std::string plain = negative ? "-" : "";
  for (int e = std::max(high, 0); e >= 0; --e) plain += digit(e);
  if (low < 0) {
    plain += '.';
    for (int e = -1; e >= low; --e) plain += digit(e);
  }
  if (plain.size() <= kPlainWidth) return plain;
  double x = 0;
  const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), x);
  if (ec == std::errc::result_out_of_range) return high >= 0 ? "#VALUE!" : "0";
  return to_utf8(number_text(x));
}

}  // namespace korvane::cli::book
