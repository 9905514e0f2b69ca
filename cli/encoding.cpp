#include "cli/encoding.h"

#include <algorithm>
#include <bit>
#include <memory>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#else
#include <iconv.h>
#endif

#include "cli/terminal.h"
#include "core/text.h"

namespace korvane::cli {

#ifdef _WIN32

// GB18030 is code page 54936; a system without it still has GBK, 936.
Gb18030::Gb18030() : code_page_(IsValidCodePage(54936) ? 54936u : 936u) {}
Gb18030::~Gb18030() = default;
bool Gb18030::ready() const noexcept { return true; }

bool Gb18030::decode(std::string_view bytes, std::u16string& out) {
  if (bytes.empty()) return true;
  if (bytes.size() > 0x7FFFFFFF) return false;
  const int n = static_cast<int>(bytes.size());
  const int units =
      MultiByteToWideChar(code_page_, MB_ERR_INVALID_CHARS, bytes.data(), n, nullptr, 0);
  if (units <= 0) return false;
  const std::size_t old = out.size();
  out.resize(old + static_cast<std::size_t>(units));
  MultiByteToWideChar(code_page_, MB_ERR_INVALID_CHARS, bytes.data(), n,
                      reinterpret_cast<wchar_t*>(out.data() + old), units);
  return true;
}

void Gb18030::encode(std::u16string_view text, std::string& out) {
  if (text.empty() || text.size() > 0x1FFFFFFF) return;
  const auto* w = reinterpret_cast<const wchar_t*>(text.data());
  const int n = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(code_page_, 0, w, n, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return;
  const std::size_t old = out.size();
  out.resize(old + static_cast<std::size_t>(size));
  WideCharToMultiByte(code_page_, 0, w, n, out.data() + old, size, nullptr, nullptr);
}

namespace {

std::string argument_utf8(std::string_view arg) {
  if (arg.empty() || arg.size() > 0x7FFFFFFF) return std::string(arg);
  const int n = static_cast<int>(arg.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, arg.data(), n, nullptr, 0);
  if (units <= 0) return std::string(arg);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, arg.data(), n, wide.data(), units);
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

std::vector<std::string> command_line_words(int argc, char** argv) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.push_back(argument_utf8(argv[i]));
  return words;
}

std::filesystem::path file_path(const std::string& utf8) {
  if (utf8.empty() || utf8.size() > 0x7FFFFFFF) return {};
  const int n = static_cast<int>(utf8.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
  if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, wide.data(), units);
  return wide;
}

std::string path_utf8(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty() || wide.size() > 0x1FFFFFFF) return {};
  const int n = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, out.data(), size, nullptr, nullptr);
  return out;
}

void use_utf8_console() { SetConsoleOutputCP(CP_UTF8); }

void binary_stdout() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

void binary_stdin() { _setmode(_fileno(stdin), _O_BINARY); }

#else  // glibc iconv

namespace {

constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

iconv_t handle(void* p) { return static_cast<iconv_t>(p); }

}  // namespace

Gb18030::Gb18030()
    : to_utf16_(iconv_open(kUtf16, "GB18030")), from_utf16_(iconv_open("GB18030", kUtf16)) {}

Gb18030::~Gb18030() {
  if (handle(to_utf16_) != kNoConverter) iconv_close(handle(to_utf16_));
  if (handle(from_utf16_) != kNoConverter) iconv_close(handle(from_utf16_));
}

bool Gb18030::ready() const noexcept {
  return handle(to_utf16_) != kNoConverter && handle(from_utf16_) != kNoConverter;
}

bool Gb18030::decode(std::string_view bytes, std::u16string& out) {
  if (bytes.empty()) return true;
  if (!ready()) return false;
  // Every GB18030 sequence of k bytes gives at most k/2 + 1 UTF-16 units.
  const std::size_t old = out.size();
  out.resize(old + bytes.size());
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  char* to = reinterpret_cast<char*>(out.data() + old);
  std::size_t to_left = bytes.size() * sizeof(char16_t);
  iconv(handle(to_utf16_), nullptr, nullptr, nullptr, nullptr);
  const std::size_t r = iconv(handle(to_utf16_), &in, &in_left, &to, &to_left);
  if (r == static_cast<std::size_t>(-1) || in_left != 0) {
    out.resize(old);
    return false;
  }
  out.resize(old + bytes.size() - to_left / sizeof(char16_t));
  return true;
}

void Gb18030::encode(std::u16string_view text, std::string& out) {
  if (text.empty() || !ready()) return;
  const std::size_t old = out.size();
  out.resize(old + text.size() * 4);  // at most four bytes per unit
  char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
  std::size_t in_left = text.size() * sizeof(char16_t);
  char* to = out.data() + old;
  std::size_t to_left = text.size() * 4;
  iconv(handle(from_utf16_), nullptr, nullptr, nullptr, nullptr);
  while (in_left > 0) {
    if (iconv(handle(from_utf16_), &in, &in_left, &to, &to_left) != static_cast<std::size_t>(-1))
      break;
    if (in_left < sizeof(char16_t) || to_left == 0) break;
    *to++ = '?';  // a lone surrogate: step over it
    --to_left;
    in += sizeof(char16_t);
    in_left -= sizeof(char16_t);
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
}

namespace {

// The converter for the words and names of this run: one under a GB18030,
// GBK or GB2312 locale (when the system has it), none under any other.
std::unique_ptr<Gb18030> locale_converter() {
  if (locale_encoding() != book::Encoding::Gb18030) return nullptr;
  auto converter = std::make_unique<Gb18030>();
  return converter->ready() ? std::move(converter) : nullptr;
}

}  // namespace

std::vector<std::string> command_line_words(int argc, char** argv) {
  const std::unique_ptr<Gb18030> converter = locale_converter();
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i)
    words.push_back(converter ? word_from_gb18030(argv[i], *converter) : std::string(argv[i]));
  return words;
}

std::filesystem::path file_path(const std::string& utf8) {
  const std::unique_ptr<Gb18030> converter = locale_converter();
  return converter ? word_to_gb18030(utf8, *converter) : utf8;
}

std::string path_utf8(const std::filesystem::path& path) {
  const std::unique_ptr<Gb18030> converter = locale_converter();
  return converter ? word_from_gb18030(path.native(), *converter) : path.native();
}

void use_utf8_console() {}

void binary_stdout() {}

void binary_stdin() {}

#endif

// ---- Words in GB18030 (portable) ---------------------------------------------

namespace {

// The length of the GB18030 character that starts at s[i] by its form alone:
// one byte below 0x80; two, a lead 81-FE and a trail 40-7E or 80-FE; four,
// lead, digit, lead, digit. 0 when none starts there.
std::size_t gb18030_length(std::string_view s, std::size_t i) {
  auto at = [&](std::size_t k) -> unsigned {
    return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u;
  };
  auto lead = [](unsigned b) { return b >= 0x81 && b <= 0xFE; };
  auto digit = [](unsigned b) { return b >= 0x30 && b <= 0x39; };
  if (at(0) < 0x80) return 1;
  if (!lead(at(0))) return 0;
  if ((at(1) >= 0x40 && at(1) <= 0x7E) || lead(at(1)) || at(1) == 0x80) return 2;
  return digit(at(1)) && lead(at(2)) && digit(at(3)) ? 4 : 0;
}

}  // namespace

// 1. Each character by its form; 2. read, and kept only when its UTF-8 gives
// its bytes back (GB18030-2022 moved a few characters, whose old four-byte
// codes now read as characters that are written in two); 3. any other byte
// as it is.
std::string word_from_gb18030(std::string_view bytes, Gb18030& converter) {
  std::string out;
  std::u16string text;
  std::string back;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = gb18030_length(bytes, i);
    if (n == 1) {
      out += bytes[i++];
      continue;
    }
    text.clear();
    back.clear();
    if (n > 1 && converter.decode(bytes.substr(i, n), text)) converter.encode(text, back);
    if (n > 1 && back == bytes.substr(i, n)) {
      out += to_utf8(text);
      i += n;
    } else {
      out += bytes[i++];
    }
  }
  return out;
}

// Each UTF-8 character as its GB18030 bytes; a byte that starts none as it is.
std::string word_to_gb18030(std::string_view utf8, Gb18030& converter) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const std::size_t n = utf8_sequence_at(utf8, i, cp);
    if (n <= 1) {
      out += utf8[i++];
      continue;
    }
    converter.encode(to_utf16(utf8.substr(i, n)), out);
    i += n;
  }
  return out;
}

// ---- UTF-8 check (portable) ----------------------------------------------------

void Utf8Check::feed(std::string_view block) {
  if (failed_) return;
  if (!carry_.empty()) {
    // Complete the sequence the last block cut off.
    const std::size_t need =
        utf8_sequence_length(static_cast<unsigned char>(carry_[0])) - carry_.size();
    const std::size_t take = std::min(need, block.size());
    carry_.append(block.substr(0, take));
    block.remove_prefix(take);
    if (take < need) return;
    if (!is_utf8(carry_)) {
      failed_ = true;
      return;
    }
    carry_.clear();
  }
  const std::size_t bad = invalid_utf8_at(block);
  const std::size_t rest = bad == std::string_view::npos ? 0 : block.size() - bad;
  // A sequence cut off by the end of the block is carried to the next one;
  // anything else that does not read is not UTF-8.
  const std::size_t length =
      rest ? utf8_sequence_length(static_cast<unsigned char>(block[bad])) : 0;
  if (rest == 0) return;
  if (length > rest) {
    bool continuation = true;
    for (const char c : block.substr(bad + 1))
      continuation = continuation && (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    if (continuation) {
      carry_.assign(block.substr(bad));
      return;
    }
  }
  failed_ = true;
}

bool Utf8Check::finish() {
  if (!carry_.empty()) failed_ = true;
  carry_.clear();
  return !failed_;
}

}  // namespace korvane::cli
