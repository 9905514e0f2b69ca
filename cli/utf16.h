// UTF-16 books: the bytes of Excel's "Unicode 文本 (*.txt)" export.
//
// Excel on Windows saves "Unicode text" as UTF-16, little-endian, with a
// byte-order mark, tab-separated, CRLF line ends. The settler reads every book
// as bytes in an ASCII-compatible encoding, so a UTF-16 book is turned into
// UTF-8 on the way in and the settled book back into UTF-16 on the way out.
//
// Nothing is lost on the way: a lone surrogate (which a UTF-16 file may hold,
// and no UTF-8 text can) travels as the three bytes UTF-8 would give it were
// it a character (a row holding one is not UTF-8 text, so it does not read,
// and is copied back as it came). On the way out, a byte that is not part of
// UTF-8 text (a row copied as it is because it was not text in the book's own
// encoding) becomes the lone low surrogate U+DC00 + byte, the escape Python
// calls surrogateescape, so that the byte can still be told from the text.
#pragma once

#include <string>
#include <string_view>

namespace korvane::cli {

// UTF-16 bytes in, UTF-8 out, fed in blocks of any size.
class Utf16Decoder {
 public:
  explicit Utf16Decoder(bool big_endian) : big_endian_(big_endian) {}

  // Appends the UTF-8 of the code units in bytes to out; an odd byte, or a
  // lead surrogate at the end, waits for the next block.
  void feed(std::string_view bytes, std::string& out);
  // Ends the stream: a lead surrogate still waiting is written alone. False
  // when the stream ended in an odd byte (half a code unit), which is dropped.
  bool finish(std::string& out);

 private:
  void unit(char16_t u, std::string& out);

  bool big_endian_;
  bool odd_ = false;  // one byte of a code unit waits
  unsigned char odd_byte_ = 0;
  char16_t lead_ = 0;  // a lead surrogate waits for its trail
};

// UTF-8 in, UTF-16 bytes out, fed in blocks of any size.
class Utf16Encoder {
 public:
  explicit Utf16Encoder(bool big_endian) : big_endian_(big_endian) {}

  // Appends the UTF-16 of utf8 to out; a sequence cut off at the end of the
  // block waits for the next one.
  void feed(std::string_view utf8, std::string& out);
  // Ends the stream: bytes still waiting are not text, and are escaped.
  void finish(std::string& out);

 private:
  void unit(char16_t u, std::string& out) const;
  void code_point(char32_t c, std::string& out) const;
  std::size_t sequence(std::string_view s, std::string& out) const;

  bool big_endian_;
  std::string carry_;  // the start of a sequence cut off by the last block
};

// The byte-order marks.
inline constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
inline constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

}  // namespace korvane::cli
