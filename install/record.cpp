// The record of an installation folder, read and written (record.h).
#include "install/record.h"

#include <algorithm>

namespace korvane::install {
namespace {

constexpr std::u16string_view kForbidden = u"<>:\"|?*";

char16_t folded(char16_t c) {
  if (c == u'/') return u'\\';
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c - u'A' + u'a');
  return c;
}

bool part_is_usable(std::u16string_view part) {
  if (part.empty() || part == u"." || part == u"..") return false;
  if (part.back() == u'.' || part.back() == u' ') return false;
  return std::none_of(part.begin(), part.end(), [](char16_t c) {
    return c < 0x20 || kForbidden.find(c) != std::u16string_view::npos;
  });
}

std::u16string_view trimmed_line(std::u16string_view s) {
  while (!s.empty() && (s.back() == u'\r' || s.back() == u' ' || s.back() == u'\t'))
    s.remove_suffix(1);
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  return s;
}

void append_le(std::string& out, std::u16string_view s) {
  for (const char16_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
}

}  // namespace

bool stays_inside(std::u16string_view path) {
  if (path.empty()) return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find_first_of(u"\\/", start);
    if (!part_is_usable(path.substr(start, end - start))) return false;
    if (end == std::u16string_view::npos) return true;
    start = end + 1;
  }
}

std::optional<std::vector<std::u16string>> parse_record(std::string_view bytes) {
  // 1. UTF-16LE with its byte-order mark, whole code units only.
  if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes[0] != '\xFF' || bytes[1] != '\xFE')
    return std::nullopt;
  std::u16string text;
  for (std::size_t i = 2; i < bytes.size(); i += 2)
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  static_cast<unsigned char>(bytes[i + 1]) << 8);
  // 2. One path a line; comments and blank lines skipped.
  std::vector<std::u16string> files;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string_view line =
        trimmed_line(std::u16string_view(text).substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == u';') continue;
    // 3. Every path inside the folder, or the record is not to be trusted.
    if (!stays_inside(line)) return std::nullopt;
    std::u16string path(line);
    std::replace(path.begin(), path.end(), u'/', u'\\');
    if (std::none_of(files.begin(), files.end(),
                     [&](const std::u16string& f) { return same_file_name(f, path); }))
      files.push_back(std::move(path));
  }
  return files;
}

std::string format_record(std::u16string_view version, const std::vector<std::u16string>& files) {
  std::string out = "\xFF\xFE";
  append_le(out, u"; Korvane ");
  append_le(out, version);
  append_le(out, u": the files installed here; uninstall removes exactly these\r\n");
  for (const std::u16string& f : files) {
    std::u16string line = f;
    std::replace(line.begin(), line.end(), u'/', u'\\');
    append_le(out, line);
    append_le(out, u"\r\n");
  }
  return out;
}

bool same_file_name(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return folded(x) == folded(y); });
}

}  // namespace korvane::install
