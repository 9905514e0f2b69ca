// Lone surrogates in the protocol's JSON text, read back as the code units
// they stand for.
//
// Texts are UTF-16 inside, and a text cut through a surrogate pair (p2 after
// 验证 of a text of emoji) holds half of one, which the writer keeps as a
// \udXXX escape: what eval writes it must read back. The JSON parser refuses
// such an escape, so before it sees the line each lone-surrogate escape is
// masked as \ufffd (the same six characters, so every position stays put),
// and each string that held one is decoded here, escape by escape into the
// code units they stand for. The parser meets the strings of the text in
// order, so the n-th string it hands over is the n-th string of the text. A
// line without a surrogate escape is not copied.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvane::protocol {

class LoneSurrogates {
 public:
  explicit LoneSurrogates(std::string_view text);

  // The text for the parser: lone-surrogate escapes masked.
  std::string_view text() const { return masked_.empty() ? text_ : masked_; }

  // The text of the next string the parser hands over, when it held a lone
  // surrogate; nullptr otherwise.
  const std::u16string* next() {
    const std::size_t ordinal = seen_++;
    if (at_ < strings_.size() && strings_[at_].first == ordinal) return &strings_[at_++].second;
    return nullptr;
  }

 private:
  // Masks the string's lone escapes and keeps its decoded text.
  void mask(std::string_view text, std::size_t from, std::size_t end, std::size_t ordinal);

  std::string_view text_;
  std::string masked_;
  std::vector<std::pair<std::size_t, std::u16string>> strings_;  // by ordinal
  std::size_t seen_ = 0, at_ = 0;
};

}  // namespace korvane::protocol
