#include "cli/utf16.h"

namespace korvane::cli {
namespace {

bool lead_surrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool trail_surrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// The UTF-8 bytes of a code point; a surrogate gets the bytes it would have
// were it a character.
void append_utf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

// ---- in ----------------------------------------------------------------------------

void Utf16Decoder::unit(char16_t u, std::string& out) {
  if (lead_) {
    if (trail_surrogate(u)) {
      append_utf8(0x10000 + ((char32_t{lead_} - 0xD800) << 10) + (u - 0xDC00), out);
      lead_ = 0;
      return;
    }
    append_utf8(lead_, out);  // a lead surrogate alone
    lead_ = 0;
  }
  if (lead_surrogate(u)) {
    lead_ = u;
  } else {
    append_utf8(u, out);
  }
}

void Utf16Decoder::feed(std::string_view bytes, std::string& out) {
  std::size_t i = 0;
  auto pair = [this](unsigned char a, unsigned char b) {
    return static_cast<char16_t>(big_endian_ ? (a << 8) | b : (b << 8) | a);
  };
  if (odd_ && !bytes.empty()) {
    unit(pair(odd_byte_, static_cast<unsigned char>(bytes[0])), out);
    odd_ = false;
    i = 1;
  }
  for (; i + 1 < bytes.size(); i += 2)
    unit(pair(static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1])), out);
  if (i < bytes.size()) {
    odd_ = true;
    odd_byte_ = static_cast<unsigned char>(bytes[i]);
  }
}

bool Utf16Decoder::finish(std::string& out) {
  if (lead_) append_utf8(lead_, out);
  lead_ = 0;
  const bool whole = !odd_;
  odd_ = false;
  return whole;
}

// ---- out ---------------------------------------------------------------------------

void Utf16Encoder::unit(char16_t u, std::string& out) const {
  const auto hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
  out += big_endian_ ? hi : lo;
  out += big_endian_ ? lo : hi;
}

void Utf16Encoder::code_point(char32_t c, std::string& out) const {
  if (c < 0x10000) return unit(static_cast<char16_t>(c), out);
  c -= 0x10000;
  unit(static_cast<char16_t>(0xD800 + (c >> 10)), out);
  unit(static_cast<char16_t>(0xDC00 + (c & 0x3FF)), out);
}

// Writes the sequence s starts with, or its first byte escaped when it is not
// one; returns the bytes it took, 0 when s ends inside the sequence.
std::size_t Utf16Encoder::sequence(std::string_view s, std::string& out) const {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = b(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead < 0x80) {
    unit(lead, out);
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;  // surrogates (ED A0..BF) travel as they came in
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  bool ok = length != 0;
  for (std::size_t i = 1; ok && i < length; ++i) {
    if (i == s.size()) return 0;  // cut off: wait for the rest
    ok = i == 1 ? b(1) >= low && b(1) <= high : continuation(b(i));
  }
  if (!ok) {
    unit(static_cast<char16_t>(0xDC00 + lead), out);
    return 1;
  }
  char32_t c = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (b(i) & 0x3F);
  code_point(c, out);
  return length;
}

void Utf16Encoder::feed(std::string_view utf8, std::string& out) {
  if (!carry_.empty()) {
    // The sequences that start in what the last block cut off, completed
    // from this block (no sequence is longer than four bytes).
    const std::size_t carried = carry_.size();
    const std::string joined = carry_ + std::string(utf8.substr(0, 3));
    std::size_t at = 0;
    while (at < carried) {
      const std::size_t took = sequence(std::string_view(joined).substr(at), out);
      if (took == 0) {  // this block is too short to complete it
        carry_ = joined.substr(at);
        return;
      }
      at += took;
    }
    utf8.remove_prefix(at - carried);
    carry_.clear();
  }
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t took = sequence(utf8.substr(i), out);
    if (took == 0) {
      carry_.assign(utf8.substr(i));
      return;
    }
    i += took;
  }
}

void Utf16Encoder::finish(std::string& out) {
  const std::string rest = std::move(carry_);
  carry_.clear();
  for (const char c : rest)
    unit(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(c)), out);
}

}  // namespace korvane::cli
