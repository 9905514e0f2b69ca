// Splitting a CSV record of a bet book into its fields.
//
// The CSV reading follows RFC 4180 as Excel writes it: fields separated by
// commas, a field in double quotes may hold commas, line breaks and doubled
// quotes. A UTF-16 book (Excel's "Unicode 文本") is read the same way, its
// fields separated by tabs (the settler tells which from the first row).
// It is written here rather than taken from a library because the book must
// be copied through byte for byte, rows that do not read must be skipped and
// the rest still settled, and the same code must build for Windows; the CSV
// libraries Debian carries do none of the first two, and ship no Windows
// build.
//
// This room knows bytes, separators and quotes only: it is fed the lines the
// book reader hands out, one at a time, and says whether the record is
// complete, needs the next line or does not read, and why. What the fields
// mean is the settler's. It touches nothing outside itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "words/tool.h"

namespace korvane::cli::book {

// Splits one CSV record into fields, fed one physical line at a time.
class RecordSplitter {
 public:
  enum class Status { Complete, NeedMore, Malformed };

  // language: of the problem a malformed record is reported with.
  explicit RecordSplitter(words::Language language = words::Language::English)
      : language_(language) {}

  // The byte between fields: a comma, or a tab.
  void separate_by(char separator) noexcept { separator_ = separator; }
  void reset();
  // Feeds one line with its line end; a quoted field open at the line end
  // takes the line end into its value and needs the next line.
  Status feed(std::string_view content, std::string_view eol);

  std::size_t size() const noexcept { return bounds_.size(); }
  std::string_view field(std::size_t i) const {
    return std::string_view(data_).substr(bounds_[i].first, bounds_[i].second);
  }
  const char* problem() const noexcept { return problem_; }

 private:
  enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };
  void end_field();
  const char* said(words::Tool problem) const;

  State state_ = State::FieldStart;
  std::string data_;  // the unquoted bytes of every field, one after another
  std::vector<std::pair<std::size_t, std::size_t>> bounds_;
  std::size_t field_begin_ = 0;
  const char* problem_ = "";
  char separator_ = ',';
  words::Language language_;
};

}  // namespace korvane::cli::book
