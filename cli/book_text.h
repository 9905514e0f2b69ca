// A bet book's bytes as text, and text back as the settled book's bytes: the
// transcoding the settler does in the encodings in force.
//
// A book is UTF-8, GB18030 (GBK, as a Chinese Windows' Excel saves CSV) or
// UTF-16 (Excel's Unicode text); the reader hands its lines out as UTF-8 when
// it is UTF-16, and the settled output is written in the book's encoding
// unless another was asked for. A cell is read as text to call a function
// with it, and a result written back in the output's encoding; a line that
// is copied is copied as its bytes, converted only when the output's
// encoding differs. Most of a book is ASCII, which every one of these
// encodings spells alike: it is never converted.
//
// A draw row can be glued on in the other byte encoding (a UTF-8 terminal's
// `echo 验证,... >> book.csv` into a GBK book): the draw rows' key characters
// are looked for in the bytes of both.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/book_reader.h"
#include "cli/encoding.h"
#include "cli/settled_output.h"

namespace korvane::cli::book {

// Whether every byte (or code unit) is ASCII, which every encoding of a
// book spells alike.
inline bool ascii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

inline bool ascii(std::u16string_view s) {
  for (char16_t c : s)
    if (c >= 0x80) return false;
  return true;
}

// Appends a CSV field holding bytes to out, quoted when it must be.
void append_field(std::string& out, std::string_view bytes, char separator);

class BookText {
 public:
  // The encodings in force are those the reader has detected and the
  // settled output buffers, as they are decided.
  BookText(const Detected& detected, const SettledOutput& settled, Gb18030& gb)
      : detected_(detected), settled_(settled), gb_(gb) {}

  // The encoding the book is in, as detected so far.
  Encoding book() const { return detected_.encoding; }

  // The encoding of the bytes the reader hands out, and of those written
  // to the settled output: UTF-8 where the book or the output is UTF-16.
  Encoding lines() const {
    return is_utf16(detected_.encoding) ? Encoding::Utf8 : detected_.encoding;
  }

  // The bytes of a line as text, in the encoding the lines are read in;
  // false when they are not text in it. (ASCII, most of a book, is read here.)
  bool decode(std::string_view bytes, std::u16string& out) {
    if (!ascii(bytes)) return decode_text(bytes, out);
    out.assign(bytes.begin(), bytes.end());
    return true;
  }
  // As decode, in the encoding the book was not read in.
  bool decode_other(std::string_view bytes, std::u16string& out);
  // Text in the settled output's encoding, appended to out.
  void encode(std::u16string_view text, std::string& out) {
    if (!ascii(text)) return encode_text(text, out);
    for (char16_t c : text) out += static_cast<char>(c);
  }
  // Bytes of the book copied to out, the settled book's bytes: as they are,
  // or in the output encoding when it differs.
  void copy(std::string_view bytes, std::string& out) {
    if (settled_.buffered() == lines() || ascii(bytes)) {
      out.append(bytes);
    } else {
      copy_converted(bytes, out);
    }
  }

  // Whether bytes hold one of the characters keys, in the encoding the lines
  // are read in.
  bool holds_a_key(std::string_view bytes, std::u16string_view keys);
  // The same in the other byte encoding.
  bool holds_a_key_of_the_other_encoding(std::string_view bytes, std::u16string_view keys);

 private:
  bool decode_text(std::string_view bytes, std::u16string& out);
  void encode_text(std::u16string_view text, std::string& out);
  void copy_converted(std::string_view bytes, std::string& out);

  const Detected& detected_;
  const SettledOutput& settled_;
  Gb18030& gb_;
  std::u16string copied_;
  std::vector<std::string> key_bytes_;        // the keys in keys_encoding_
  std::vector<std::string> other_key_bytes_;  // the same in the other byte encoding
  Encoding other_keys_encoding_ = Encoding::Utf8;
  Encoding keys_encoding_ = Encoding::Utf8;
};

}  // namespace korvane::cli::book
