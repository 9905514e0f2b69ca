// The command-line parser's sentences said again in the tool's words: each
// fault names what it is about (the option, the value, the counts) in both
// languages, and an unknown sentence is still said, not lost.
#include "cli/parse_errors.h"

#include <gtest/gtest.h>

#include "cli/quoting.h"

namespace korvane::cli {
namespace {

using words::Language;

// The placeholder the command line gives an option: --draw has its own, the
// others ("") are named by the type the parser says.
std::string values_of(std::string_view option) {
  if (option == "--one") return "ONE";  // an option of one value
  return option == "--draw" ? "YEAR NUMBERS SPECIAL" : "";
}

TEST(ParseFaults, SaysTheParsersSentencesInTheToolsWords) {
  const struct {
    ParseFault kind;
    const char* what;
    Language language;
    const char* said;
  } cases[] = {
      {ParseFault::ArgumentMismatch, "--draw: At least 3 required but received 1",
       Language::English, "--draw takes 3 values (YEAR NUMBERS SPECIAL), not 1"},
      {ParseFault::ArgumentMismatch, "--draw: At least 3 required but received 1",
       Language::Chinese, "--draw 需要 3 个值（YEAR NUMBERS SPECIAL），而不是 1 个"},
      {ParseFault::ArgumentMismatch, "Expected exactly 3 arguments to --draw, got 2",
       Language::English, "--draw takes 3 values (YEAR NUMBERS SPECIAL), not 2"},
      {ParseFault::ArgumentMismatch, "--output: 1 required TEXT missing", Language::Chinese,
       "--output 缺少值（文本）"},
      {ParseFault::ArgumentMismatch, "Expected exactly 1 arguments to --one, got 2",
       Language::English, "--one takes 1 value (ONE), not 2"},
      {ParseFault::ArgumentMismatch, "--output: 1 required TEXT missing", Language::English,
       "--output needs a value (TEXT)"},
      {ParseFault::ArgumentMismatch, "--draw: 3 required YEAR NUMBERS SPECIAL missing",
       Language::Chinese, "--draw 需要 3 个值（YEAR NUMBERS SPECIAL），而不是 0 个"},
      // A type with its check's values: the type alone, in the user's language.
      {ParseFault::ArgumentMismatch, "--output-encoding: 1 required TEXT:{utf-8,gbk} missing",
       Language::Chinese, "--output-encoding 缺少值（文本）"},
      {ParseFault::ArgumentMismatch, "--output: At Most 1 required but received 2",
       Language::English, "--output takes at most 1 value, not 2"},
      {ParseFault::ArgumentMismatch, "--json was given a disallowed flag override",
       Language::Chinese, "--json 是开关，不带值"},
      {ParseFault::Conversion, "--json: too many inputs for a flag", Language::English,
       "--json is a switch and takes no value"},
      {ParseFault::Conversion, "--json: Should be true/false or a number", Language::Chinese,
       "--json 是开关，不带值"},
      {ParseFault::Conversion, "The value maybe is not an allowed value for --json",
       Language::Chinese, "--json 不接受值 \"maybe\""},
      {ParseFault::Conversion, "Could not convert: --json = maybe", Language::English,
       "--json does not take the value \"maybe\""},
      // A check's own sentence (already the tool's) after the option it refused.
      {ParseFault::Validation, "--output-encoding: \"latin1\" 不是编码", Language::Chinese,
       "--output-encoding：\"latin1\" 不是编码"},
      // What the tool does not know is passed on, in the Chinese frame.
      {ParseFault::Other, "something new", Language::Chinese, "命令行有误：something new"},
      {ParseFault::Other, "something new", Language::English, "something new"},
      {ParseFault::ArgumentMismatch, "--draw: something new", Language::English,
       "--draw: something new"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(parse_fault(c.kind, c.what, c.language, values_of), c.said) << c.what;
}

TEST(ParseFaults, NamesPlaceholdersInTheUsersLanguage) {
  const struct {
    const char* english;
    const char* chinese;
  } cases[] = {
      {"BOOK", "账本"},           {"FUNCTION", "函数"}, {"YEAR NUMBERS SPECIAL", "年份 平码 特码"},
      {"TEXT", "文本"},           {"ARG", "参数"},      {"ENCODING", "编码"},
      {"SOMETHING", "SOMETHING"},  // not the tool's: as it is
  };
  for (const auto& c : cases) {
    EXPECT_EQ(placeholder(c.english, Language::Chinese), c.chinese);
    EXPECT_EQ(placeholder(c.english, Language::English), c.english);
  }
}

TEST(Quoting, ShowsControlCharactersEscaped) {
  const struct {
    std::string given;
    std::string quoted;
  } cases[] = {
      {"a\x1b[31mRED", "\"a\\x1b[31mRED\""},
      {std::string("x\0y", 3), "\"x\\0y\""},
      {"two\nlines\r\tend", "\"two\\nlines\\r\\tend\""},
      {"del\x7f", "\"del\\x7f\""},
      {"csi\xc2\x9b"
       "31m",
       "\"csi\\u009b31m\""},     // C1's escape, two bytes in UTF-8
      {"验证 ©", "\"验证 ©\""},  // printable text as it is
      // Bytes that are no UTF-8 (a cut 验, a lone continuation byte, an
      // overlong slash) are shown as bytes, not handed to the terminal.
      {"\xe9\xaa", "\"\\xe9\\xaa\""},
      {"a\x80"
       "b",
       "\"a\\x80b\""},
      {"\xc0\xaf", "\"\\xc0\\xaf\""},
      // A right-to-left override would show "txt.exe" as "exe.txt"; a line
      // separator would break the report's line.
      {"a\u202eexe.txt", "\"a\\u202eexe.txt\""},
      {"a\u2028b", "\"a\\u2028b\""},
  };
  for (const auto& c : cases) EXPECT_EQ(quoted_text(c.given), c.quoted) << c.quoted;
  EXPECT_EQ(quotable(u"名\x1b字"), u"名\\x1b字");
  EXPECT_EQ(quotable(std::u16string(u"\0", 1)), u"\\0");
  EXPECT_EQ(quotable(u"a\u202Eb"), u"a\\u202eb");
}

}  // namespace
}  // namespace korvane::cli
