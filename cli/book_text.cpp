// A bet book's bytes as text and back (book_text.h).
#include "cli/book_text.h"

#include "core/text.h"

namespace korvane::cli::book {

void append_field(std::string& out, std::string_view bytes, char separator) {
  const char special[] = {separator, '"', '\r', '\n', '\0'};
  if (bytes.find_first_of(special) == std::string_view::npos) {
    out.append(bytes);
    return;
  }
  out += '"';
  for (char c : bytes) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// Text that is not ASCII, in the encoding the lines are read in.
bool BookText::decode_text(std::string_view bytes, std::u16string& out) {
  out.clear();
  if (lines() == Encoding::Utf8) {
    // Rows were checked while the encoding was open, but not comment lines,
    // nor the rows after it was decided or in a book that opens with the
    // byte-order mark.
    if (!is_utf8(bytes)) return false;
    out = to_utf16(bytes);
    return true;
  }
  return gb_.decode(bytes, out);
}

// As decode, in the encoding the book was not read in.
bool BookText::decode_other(std::string_view bytes, std::u16string& out) {
  out.clear();
  if (lines() == Encoding::Utf8) return gb_.decode(bytes, out);
  if (!is_utf8(bytes)) return false;
  out = to_utf16(bytes);
  return true;
}

void BookText::encode_text(std::u16string_view text, std::string& out) {
  if (settled_.buffered() == Encoding::Utf8) {
    out += to_utf8(text);
  } else {
    gb_.encode(text, out);
  }
}

// Bytes of the book that are not ASCII, in an output encoding that differs
// from the book's (bytes that are not text in the book's encoding are copied
// as they are: there is nothing to convert).
void BookText::copy_converted(std::string_view bytes, std::string& out) {
  if (!decode_text(bytes, copied_)) {
    out.append(bytes);
    return;
  }
  encode(copied_, out);
}

// Whether the bytes of a line hold one of the characters a draw row's
// text would (DrawRows::keys) in the encoding the book's lines are read in
// (a wrong match only costs reading the line as text).
bool BookText::holds_a_key(std::string_view bytes, std::u16string_view keys) {
  if (keys.empty()) return true;
  const Encoding encoding = lines();
  if (key_bytes_.empty() || keys_encoding_ != encoding) {
    key_bytes_.clear();
    keys_encoding_ = encoding;
    for (const char16_t c : keys) {
      std::string key;
      if (encoding == Encoding::Utf8)
        key = to_utf8(std::u16string_view(&c, 1));
      else if (gb_.ready())
        gb_.encode(std::u16string_view(&c, 1), key);
      if (key.empty()) return true;
      key_bytes_.push_back(std::move(key));
    }
  }
  for (const std::string& key : key_bytes_)
    if (bytes.find(key) != std::string_view::npos) return true;
  return false;
}

// Whether the bytes of a line hold one of those characters in the other
// byte encoding: UTF-8 in a GB18030 book, GB18030 in a UTF-8 one (UTF-16
// books have no such twin). A chance match costs a `no draw`, never money.
bool BookText::holds_a_key_of_the_other_encoding(std::string_view bytes, std::u16string_view keys) {
  const Encoding encoding = lines();
  if (encoding != Encoding::Utf8 && encoding != Encoding::Gb18030) return false;
  if (other_key_bytes_.empty() || other_keys_encoding_ != encoding) {
    other_key_bytes_.clear();
    other_keys_encoding_ = encoding;
    for (const char16_t c : keys) {
      std::string key;
      if (encoding == Encoding::Gb18030)
        key = to_utf8(std::u16string_view(&c, 1));
      else if (gb_.ready())
        gb_.encode(std::u16string_view(&c, 1), key);
      if (!key.empty()) other_key_bytes_.push_back(std::move(key));
    }
  }
  for (const std::string& key : other_key_bytes_)
    if (bytes.find(key) != std::string_view::npos) return true;
  return false;
}

}  // namespace korvane::cli::book
