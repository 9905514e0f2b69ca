// The installer's sentences: each in both languages, with the same blanks,
// so that no translation drops the folder or the version it is about.
#include "install/messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace korvane::install {
namespace {

std::multiset<std::string> blanks(std::string_view s) {
  std::multiset<std::string> out;
  for (std::size_t i = 0; (i = s.find('{', i)) != std::string_view::npos; ++i)
    out.insert(std::string(s.substr(i, 3)));
  return out;
}

bool has_chinese(std::string_view s) {
  // A UTF-8 lead byte of the CJK blocks (U+3000 to U+9FFF): E3 to E9.
  for (unsigned char c : s) {
    if (c >= 0xE3 && c <= 0xE9) return true;
  }
  return false;
}

TEST(InstallMessages, EverySentenceInBothLanguagesWithTheSameBlanks) {
  for (int i = 0; i < static_cast<int>(Say::Count_); ++i) {
    const Say what = static_cast<Say>(i);
    const std::string_view en = sentence(what, Language::English);
    const std::string_view zh = sentence(what, Language::Chinese);
    EXPECT_FALSE(en.empty()) << i;
    EXPECT_NE(en, zh) << i;
    EXPECT_TRUE(has_chinese(zh)) << i << ": " << zh;
    EXPECT_EQ(blanks(en), blanks(zh)) << i << ": " << en;
  }
}

TEST(InstallMessages, FillsTheBlanks) {
  const struct {
    Say what;
    Language language;
    std::initializer_list<std::string_view> args;
    std::string said;
  } cases[] = {
      {Say::InstalledForYou,
       Language::English,
       {"1.2.3", "C:\\K"},
       "Korvane 1.2.3 installed in C:\\K for you."},
      {Say::InstalledForYou,
       Language::Chinese,
       {"1.2.3", "C:\\K"},
       "Korvane 1.2.3 已为您安装到 C:\\K。"},
      // A value holding braces is put in as it is, not read as a blank.
      {Say::StatusLoads,
       Language::English,
       {"16.0", "OPEN1", "/R \"C:\\{2}\\a.xll\""},
       "Excel 16.0: loads Korvane at start (OPEN1 = /R \"C:\\{2}\\a.xll\")"},
      // A blank without its value stays visible rather than vanishing.
      {Say::MissingFile, Language::English, {}, "{1} is missing from the release"},
  };
  for (const auto& c : cases) EXPECT_EQ(words(c.what, c.language, c.args), c.said);
}

}  // namespace
}  // namespace korvane::install
