// The tool's sentences and the choice of language: every sentence reads in
// both languages with the blanks it is about, and a locale is read as gettext
// reads it, so that a Chinese bookkeeper gets Chinese and a script's LC_ALL=C
// gets English.
#include "words/language.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "words/system_errors.h"
#include "words/tool.h"

namespace korvane::words {
namespace {

bool has_chinese(std::string_view s) {
  // A UTF-8 lead byte of the CJK blocks and their punctuation (U+3000 to U+9FFF, U+FF00 to
  // U+FFEF): E3 to E9, EF.
  for (unsigned char c : s) {
    if ((c >= 0xE3 && c <= 0xE9) || c == 0xEF) return true;
  }
  return false;
}

TEST(ToolWords, EverySentenceInBothLanguagesWithTheSameBlanks) {
  for (int i = 0; i < static_cast<int>(Tool::Count_); ++i) {
    const Tool what = static_cast<Tool>(i);
    const std::string_view en = sentence(what, Language::English);
    const std::string_view zh = sentence(what, Language::Chinese);
    EXPECT_FALSE(en.empty()) << i;
    EXPECT_NE(en, zh) << i << ": " << en;
    EXPECT_TRUE(has_chinese(zh)) << i << ": " << zh;
    EXPECT_EQ(blanks(en), blanks(zh)) << i << ": " << en;
    // A sentence that ends a line is no line: the caller ends it.
    EXPECT_FALSE(zh.ends_with('\n')) << i;
  }
}

TEST(ToolWords, ChoosesTheLanguageAsGettextDoes) {
  const struct {
    const char* lc_all;
    const char* lc_messages;
    const char* lang;
    Language chosen;
    const char* language_list = "";
  } cases[] = {
      {"", "", "zh_CN.UTF-8", Language::Chinese},
      {"", "", "zh_CN.GB18030", Language::Chinese},
      {"", "", "zh_TW", Language::Chinese},
      {"", "", "zh", Language::Chinese},
      {"", "", "zh@pinyin", Language::Chinese},
      // The first setting given decides, whatever the later ones say.
      {"C", "", "zh_CN.UTF-8", Language::English},
      {"", "C.UTF-8", "zh_CN.UTF-8", Language::English},
      {"", "zh_CN.UTF-8", "en_US.UTF-8", Language::Chinese},
      {"zh_SG.UTF-8", "en_GB.UTF-8", "C", Language::Chinese},
      // Nothing set, POSIX, another language, and names that only start alike.
      {"", "", "", Language::English},
      {"", "", "POSIX", Language::English},
      {"", "", "en_US.UTF-8", Language::English},
      {"", "", "ja_JP.UTF-8", Language::English},
      {"", "", "zhx_CN", Language::English},
      {"", "", "z", Language::English},
      // LANGUAGE comes before the locale, its first Chinese or English entry
      // deciding; under C or POSIX (or nothing set) it is not read.
      {"", "", "en_US.UTF-8", Language::Chinese, "zh_CN"},
      {"", "", "zh_CN.UTF-8", Language::English, "en_GB:zh_CN"},
      {"", "", "zh_CN.UTF-8", Language::English, "fr:de_DE:en"},
      {"", "", "de_DE.UTF-8", Language::Chinese, "fr::zh_TW.UTF-8:en"},
      {"", "", "zh_CN.UTF-8", Language::Chinese, "fr:ja"},
      {"", "", "zh_CN.UTF-8", Language::Chinese, ":"},
      {"C", "", "zh_CN.UTF-8", Language::English, "zh_CN"},
      {"", "", "POSIX", Language::English, "zh"},
      {"", "", "", Language::English, "zh_CN"},
      {"", "C.UTF-8", "", Language::Chinese, "zh"},
      {"", "C.UTF-8", "", Language::English, ""},
      {"", "", "zh_CN.UTF-8", Language::English, "C"},
      {"", "", "zh_CN.UTF-8", Language::English, "fr:POSIX:zh_CN"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(language_of_locale(c.lc_all, c.lc_messages, c.lang, c.language_list), c.chosen)
        << c.lc_all << '|' << c.lc_messages << '|' << c.lang << '|' << c.language_list;
}

TEST(ToolWords, FillsTheBlanks) {
  const struct {
    Tool what;
    Language language;
    std::initializer_list<std::string_view> args;
    std::string said;
  } cases[] = {
      {Tool::CannotOpen,
       Language::English,
       {"账本.csv", "No such file"},
       "cannot open 账本.csv: No such file"},
      {Tool::CannotOpen,
       Language::Chinese,
       {"账本.csv", "No such file"},
       "无法打开 账本.csv：No such file"},
      // The order of the blanks may differ between the languages.
      {Tool::NoFunctionInBook,
       Language::Chinese,
       {"验正", "（您是不是要输入 验证？）"},
       "没有名为“验正”的函数（您是不是要输入 验证？）"},
      // A file name holding a blank's braces is put in as it is.
      {Tool::CannotWrite, Language::English, {"{2}.csv", "full"}, "cannot write {2}.csv: full"},
  };
  for (const auto& c : cases) EXPECT_EQ(say(c.what, c.language, c.args), c.said);
}

TEST(SystemErrors, SaysWhyAFileFailedInTheUsersLanguage) {
  const struct {
    int error_number;
    const char* english;
    const char* chinese;
  } cases[] = {
      {ENOENT, "No such file or directory", "没有那个文件或文件夹"},
      {EACCES, "Permission denied", "权限不够"},
      {EISDIR, "Is a directory", "这是一个文件夹"},
      {ENOSPC, "No space left on device", "磁盘空间不足"},
      {EROFS, "Read-only file system", "只读文件系统"},
      {EFBIG, "File too large", "文件过大"},
      {ENAMETOOLONG, "File name too long", "文件名过长"},
      {EXDEV, "Invalid cross-device link", "不能跨设备移动"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(has_system_error_sentence(c.error_number)) << c.english;
    EXPECT_EQ(system_error(c.error_number, Language::English), c.english);
    EXPECT_EQ(system_error(c.error_number, Language::Chinese), c.chinese);
  }
}

TEST(SystemErrors, AnErrnoOutsideTheTableIsTheCLibrarysText) {
  for (const int e : {EDOM, ERANGE, 99999}) {
    EXPECT_FALSE(has_system_error_sentence(e)) << e;
    for (const Language l : {Language::English, Language::Chinese}) {
      const std::string said = system_error(e, l);
      EXPECT_FALSE(said.empty()) << e;
      EXPECT_EQ(said, std::strerror(e)) << e;
    }
  }
}

}  // namespace
}  // namespace korvane::words
