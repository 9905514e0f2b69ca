// The record splitter: one CSV record, fed a line at a time (see
// record_splitter.h).
#include "cli/record_splitter.h"

namespace korvane::cli::book {

// A problem as the table writes it: a literal, and so a string that lasts.
const char* RecordSplitter::said(words::Tool problem) const {
  return words::sentence(problem, language_).data();
}

void RecordSplitter::reset() {
  state_ = State::FieldStart;
  data_.clear();
  bounds_.clear();
  field_begin_ = 0;
  problem_ = "";
}

void RecordSplitter::end_field() {
  bounds_.emplace_back(field_begin_, data_.size() - field_begin_);
  field_begin_ = data_.size();
  state_ = State::FieldStart;
}

RecordSplitter::Status RecordSplitter::feed(std::string_view content, std::string_view eol) {
  const char separator = separator_;  // held apart from data_, which any char may alias
  for (const char c : content) {
    switch (state_) {
      case State::FieldStart:
        if (c == '"') {
          state_ = State::Quoted;
        } else if (c == separator) {
          end_field();
        } else {
          state_ = State::Unquoted;
          data_ += c;
        }
        break;
      case State::Unquoted:
        if (c == separator) {
          end_field();
        } else if (c == '"') {
          problem_ = said(words::Tool::QuoteInsideField);
          return Status::Malformed;
        } else {
          data_ += c;
        }
        break;
      case State::Quoted:
        if (c == '"') {
          state_ = State::QuoteInQuoted;
        } else {
          data_ += c;
        }
        break;
      case State::QuoteInQuoted:
        if (c == '"') {  // a doubled quote stands for one
          data_ += '"';
          state_ = State::Quoted;
        } else if (c == separator) {
          end_field();
        } else {
          problem_ = said(words::Tool::TextAfterQuote);
          return Status::Malformed;
        }
        break;
    }
  }
  if (state_ == State::Quoted) {
    if (eol.empty()) {
      problem_ = said(words::Tool::QuoteNotClosed);
      return Status::Malformed;
    }
    data_.append(eol);  // a line break inside the cell
    return Status::NeedMore;
  }
  end_field();
  return Status::Complete;
}

}  // namespace korvane::cli::book
