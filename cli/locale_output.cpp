// The tool's words in the encoding of the user's locale (see
// locale_output.h).
#include "cli/locale_output.h"

#include <iostream>

#include "cli/terminal.h"
#include "core/text.h"

namespace korvane::cli {
namespace {

std::streambuf* g_bytes = nullptr;  // standard output's own buffer, once converted

}  // namespace

Gb18030Writer::~Gb18030Writer() { write(true); }

Gb18030Writer::int_type Gb18030Writer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_ += traits_type::to_char_type(c);
  return c;
}

std::streamsize Gb18030Writer::xsputn(const char* s, std::streamsize n) {
  pending_.append(s, static_cast<std::size_t>(n));
  if (pending_.size() >= (16 << 10) && !write(false)) return 0;
  return n;
}

int Gb18030Writer::sync() {
  if (!write(false)) return -1;
  return target_->pubsync();
}

// 1. The whole characters written so far (all of them at the end); 2. as
// UTF-16, a malformed byte as '?'; 3. as GB18030 to the target, every byte.
bool Gb18030Writer::write(bool all) {
  const std::size_t n = all ? pending_.size() : utf8_whole_prefix(pending_);
  if (n == 0) return true;
  std::u16string text = to_utf16(std::string_view(pending_).substr(0, n));
  for (char16_t& c : text)
    if (c == 0xFFFD) c = u'?';
  pending_.erase(0, n);
  std::string bytes;
  if (converter_.ready()) {
    converter_.encode(text, bytes);
  } else {
    for (const char16_t c : text) bytes += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return target_->sputn(bytes.data(), static_cast<std::streamsize>(bytes.size())) ==
         static_cast<std::streamsize>(bytes.size());
}

void speak_the_locale_encoding() {
#ifndef _WIN32
  if (g_bytes || locale_encoding() != book::Encoding::Gb18030 || !Gb18030().ready()) return;
  // Left in place to the end of the process: the streams flush through them at exit.
  g_bytes = std::cout.rdbuf();
  std::cout.rdbuf(new Gb18030Writer(g_bytes));
  std::cerr.rdbuf(new Gb18030Writer(std::cerr.rdbuf()));
#endif
}

std::ostream& bytes_out() {
  static std::ostream out(g_bytes ? g_bytes : std::cout.rdbuf());
  return out;
}

}  // namespace korvane::cli
