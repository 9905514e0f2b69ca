// The record of an installation's files: what it reads as ours, and what
// makes it untrustworthy (a path that would lead a delete out of the folder).
#include "install/record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvane::install {
namespace {

std::string le(std::u16string_view s, bool bom = true) {
  std::string out = bom ? "\xFF\xFE" : "";
  for (const char16_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

using Files = std::vector<std::u16string>;

TEST(InstallRecord, ReadsWhatANotepadUserOrAnOlderVersionMayLeave) {
  const struct {
    const char* what;
    std::string bytes;
    std::optional<Files> files;
  } rows[] = {
      {"comments and blank lines skipped",
       le(u"; Korvane 1.0.0: x\r\n\r\nkorvane.exe\r\nx64\\korvane.dll\r\n"),
       Files{u"korvane.exe", u"x64\\korvane.dll"}},
      {"Chinese names", le(u"使用说明.txt\r\n"), Files{u"使用说明.txt"}},
      {"LF only, no final line end, spaces around", le(u"  a.txt \nb.txt"),
       Files{u"a.txt", u"b.txt"}},
      {"'/' read as '\\'", le(u"x86/korvane.dll\r\n"), Files{u"x86\\korvane.dll"}},
      {"each file once, whatever its case", le(u"A.txt\r\na.TXT\r\n"), Files{u"A.txt"}},
      {"empty record", le(u""), Files{}},
      {"no byte-order mark (UTF-8)", "korvane.exe\r\n", std::nullopt},
      {"cut in the middle of a character", le(u"a.txt").substr(0, 5), std::nullopt},
      {"parent folder", le(u"..\\2025年账本.xlsx\r\n"), std::nullopt},
      {"a part that is ..", le(u"x64\\..\\..\\a.txt\r\n"), std::nullopt},
      {"absolute path", le(u"C:\\Windows\\win.ini\r\n"), std::nullopt},
      {"rooted path", le(u"\\Users\\a.txt\r\n"), std::nullopt},
      {"share", le(u"\\\\server\\share\\a.txt\r\n"), std::nullopt},
      {"a stream", le(u"korvane.dll:Zone.Identifier\r\n"), std::nullopt},
      {"trailing dot, another file's name", le(u"korvane.exe.\r\n"), std::nullopt},
      {"empty part", le(u"x64\\\\korvane.dll\r\n"), std::nullopt},
      {"wildcard", le(u"*.xlsx\r\n"), std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(parse_record(row.bytes), row.files) << row.what;
}

TEST(InstallRecord, WrittenAsWindowsTextAndReadBack) {
  const Files files = {u"korvane.exe", u"x64\\korvane.dll", u"使用说明.txt"};
  const std::string bytes = format_record(u"1.2.3", files);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_NE(bytes.find(le(u"korvane.exe\r\n", false)), std::string::npos);
  EXPECT_EQ(bytes.find(le(u"korvane.exe\n", false)), std::string::npos);
  EXPECT_NE(bytes.find(le(u"; Korvane 1.2.3", false)), std::string::npos);
  EXPECT_EQ(parse_record(bytes), files);
}

TEST(InstallRecord, SameFileNameAsWindowsCompares) {
  const struct {
    std::u16string_view a, b;
    bool same;
  } rows[] = {
      {u"X64\\Korvane.DLL", u"x64\\korvane.dll", true},
      {u"x64/korvane.dll", u"x64\\korvane.dll", true},
      {u"x64\\korvane.dll", u"x86\\korvane.dll", false},
      {u"korvane.exe", u"korvane.exe.korvane-new", false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(same_file_name(row.a, row.b), row.same) << std::string(row.a.begin(), row.a.end());
}

}  // namespace
}  // namespace korvane::install
