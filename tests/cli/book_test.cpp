// Reading bet books: encodings, CSV records, and settling row by row.
#include "cli/book.h"

#include <algorithm>
#include <limits>
#include <sstream>

#include "cli/encoding.h"
#include "cli/settled_output.h"
#include "cli/utf16.h"
#include "tests/test_support.h"

namespace korvane::cli::book {
namespace {

// ---- encodings -------------------------------------------------------------------

// GB18030 bytes of a UTF-8 text, as Excel on a Chinese Windows saves it.
std::string gbk(std::string_view utf8) {
  Gb18030 gb;
  std::string out;
  gb.encode(to_utf16(utf8), out);
  return out;
}

TEST(Gb18030, ConvertsBothWays) {
  Gb18030 gb;
  ASSERT_TRUE(gb.ready());
  const struct {
    std::string_view bytes;
    std::u16string_view text;
  } cases[] = {
      {"\xD1\xE9\xD6\xA4", u"验证"},       {"PAI,12", u"PAI,12"},
      {"\xC5\xA3\xC2\xED", u"牛马"},       {"\xA1\xB0\xA3\xAC", u"“，"},
      {"\x95\x32\x82\x36", u"\U00020000"},  // four bytes: beyond GBK, still GB18030
  };
  for (const auto& c : cases) {
    std::u16string text;
    EXPECT_TRUE(gb.decode(c.bytes, text));
    EXPECT_EQ(text, c.text);
    std::string bytes;
    gb.encode(c.text, bytes);
    EXPECT_EQ(bytes, c.bytes);
  }
  for (std::string_view bad : {"\xFF", "\xD1", "ab\x81", "\x81\x30"}) {
    std::u16string text = u"kept";
    EXPECT_FALSE(gb.decode(bad, text));
    EXPECT_EQ(text, u"kept");
  }
}

TEST(Utf8Check, SequencesMaySpanBlocks) {
  const std::string s = "验证,2013";  // 验 is three bytes
  for (std::size_t cut = 0; cut <= s.size(); ++cut) {
    Utf8Check check;
    check.feed(s.substr(0, cut));
    check.feed(s.substr(cut));
    EXPECT_TRUE(check.finish()) << cut;
  }
  Utf8Check bytewise;
  for (char c : s) bytewise.feed(std::string_view(&c, 1));
  EXPECT_TRUE(bytewise.finish());

  for (std::string_view bad :
       {"\xFF", "\xD1\xE9\xD6\xA4", "\xE9\xAA", "a\xC0\x80", "\xED\xA0\x80"}) {
    Utf8Check check;
    check.feed(bad);
    EXPECT_FALSE(check.finish()) << shown_value(Variant(to_utf16(bad)));
  }
}

TEST(Detect, Utf8OrGb18030) {
  const struct {
    std::string bytes;
    Encoding encoding;
    bool bom;
  } cases[] = {
      {"PAI,12\r\n", Encoding::Utf8, false},
      {"", Encoding::Utf8, false},
      {"验证,2013\n", Encoding::Utf8, false},
      {"\xEF\xBB\xBFPAI,12\r\n", Encoding::Utf8, true},
      {gbk("验证,2013\n"), Encoding::Gb18030, false},
      // Valid UTF-8 up to the last block, then GBK: the whole book decides.
      {std::string(200000, 'a') + gbk("狗"), Encoding::Gb18030, false},
      // The rows up to kLookahead past the first that is not ASCII decide.
      {"验证\n" + std::string(kLookahead - 20, 'a') + "\n" + gbk("狗"), Encoding::Gb18030, false},
      {"验证\n" + std::string(kLookahead, 'a') + "\n" + gbk("狗"), Encoding::Utf8, false},
      {"# 注\n" + std::string(kLookahead, 'a') + "\n" + gbk("狗"), Encoding::Utf8, false},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.bytes);
    const Detected d = detect(in);
    EXPECT_EQ(d.encoding, c.encoding) << c.bytes.substr(0, 20);
    EXPECT_EQ(d.bom, c.bom);
  }
}

// ---- CSV ---------------------------------------------------------------------------

std::vector<std::string> fields(const RecordSplitter& s) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.size(); ++i) out.emplace_back(s.field(i));
  return out;
}

TEST(RecordSplitter, SplitsOneLineRecords) {
  using F = std::vector<std::string>;
  const struct {
    std::string_view line;
    F want;  // empty: malformed
  } cases[] = {
      {"a,b,c", F{"a", "b", "c"}},
      {"a,,c,", F{"a", "", "c", ""}},
      {" a , b", F{" a ", " b"}},  // spaces are part of the cell
      {"\"a,b\",c", F{"a,b", "c"}},
      {"\"say \"\"hi\"\"\"", F{"say \"hi\""}},
      {"\"\",x", F{"", "x"}},
      {"a\"b", F{}},
      {"\"a\"b", F{}},
      {" \"a\"", F{}},
      {"\"open", F{}},  // at the end of the book: never closed
  };
  for (const auto& c : cases) {
    RecordSplitter s;
    s.reset();
    const auto status = s.feed(c.line, "");
    if (c.want.empty()) {
      EXPECT_EQ(status, RecordSplitter::Status::Malformed) << c.line;
      EXPECT_STRNE(s.problem(), "") << c.line;
    } else {
      EXPECT_EQ(status, RecordSplitter::Status::Complete) << c.line;
      EXPECT_EQ(fields(s), c.want) << c.line;
    }
  }
}

TEST(RecordSplitter, AQuotedFieldMayHoldLineBreaks) {
  RecordSplitter s;
  s.reset();
  EXPECT_EQ(s.feed("TEMAL,\"05 12", "\r\n"), RecordSplitter::Status::NeedMore);
  EXPECT_EQ(s.feed("", "\n"), RecordSplitter::Status::NeedMore);
  EXPECT_EQ(s.feed("33\",x", "\n"), RecordSplitter::Status::Complete);
  EXPECT_EQ(fields(s), (std::vector<std::string>{"TEMAL", "05 12\r\n\n33", "x"}));
}

TEST(LineReader, LinesWithTheirEnds) {
  std::istringstream in("a,1\r\nb\n\nlast\r");
  LineReader reader(in);
  std::vector<std::string> got;
  Line line;
  while (reader.next(line))
    got.push_back(std::to_string(line.number) + ":" + std::string(line.content) + "|" +
                  std::string(line.eol));
  EXPECT_EQ(got, (std::vector<std::string>{"1:a,1|\r\n", "2:b|\n", "3:|\n", "4:last|\r"}));
}

TEST(LineReader, AnOverlongLineIsDrainedInPieces) {
  for (std::string_view end : {"\r\n", "\n", ""}) {
    const std::string longline(100, 'x');
    std::istringstream in("ok\n" + longline + std::string(end) + (end.empty() ? "" : "next\n"));
    LineReader reader(in, 16);
    Line line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.content, "ok");
    ASSERT_TRUE(reader.next(line));
    EXPECT_TRUE(line.overlong);
    EXPECT_EQ(line.number, 2u);
    ASSERT_TRUE(reader.next(line));  // announced again until drained
    EXPECT_TRUE(line.overlong);
    std::string drained;
    EXPECT_EQ(reader.drain([&](std::string_view piece) { drained += piece; }), end);
    EXPECT_EQ(drained, longline);
    if (end.empty()) continue;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.content, "next");
    EXPECT_EQ(line.number, 3u);
  }
}

// ---- settling ------------------------------------------------------------------------

struct Settled {
  std::string out;
  std::string diagnostics;
  Summary summary;
};

Settled settle_bytes(const std::string& book) {
  std::istringstream in(book);
  std::ostringstream out, diagnostics;
  Settled s;
  s.summary = settle(in, out, diagnostics, "b.csv");
  s.out = out.str();
  s.diagnostics = diagnostics.str();
  return s;
}

// A GBK book comes back byte for byte, one field appended to each row:
// comments, blank lines, quoting, line breaks in cells, padding cells, line
// ends of both kinds and rows that do not read all pass through unchanged.
TEST(Settle, GbkBookRoundTripsByteForByte) {
  const struct {
    std::string_view row;  // UTF-8 here, GBK in the book
    std::string_view eol;
    std::string_view appended;  // "" for lines that pass through as they are
  } rows[] = {
      {"# 2013 年 第 1 期", "\r\n", ""},
      {"验证,2013,05 12 18 30 41 49,08", "\r\n", ",开奖号码已载入"},
      {"", "\r\n", ""},
      {"PAI,12345678", "\n", ",12"},
      {"PAI,\"1,000,000\"", "\r\n", ",1"},
      {"PAID,3000000,,,", "\r\n", ",3000000"},
      {",,,", "\r\n", ""},
      {"TEMAL,\"05 12\n33\"", "\r\n", ",3"},  // (8 + 1) / 3
      {"TEMAL,#N/A", "\r\n", ",#VALUE!"},
      {"号码转肖,2013,08", "\r\n", ",狗"},
      {"平特几肖,平特二肖,牛马", "\r\n",
       ",\"unreadable: 平特几肖 takes 3 arguments (g, 肖, 收入), the row gives 2\""},
      {"不存在,1", "\r\n", ",unreadable: no function is named “不存在”"},
      {"PAI,\"12\"3", "\r\n", ",unreadable: text after the closing quote of a field"},
      {"  # 备注", "\n", ""},
      {"工资1,12,1.5", "", ",18"},
  };
  std::string book, want;
  for (const auto& r : rows) {
    const std::string line = gbk(r.row);
    book += line + std::string(r.eol);
    want += line + gbk(r.appended) + std::string(r.eol);
  }
  const Settled s = settle_bytes(book);
  EXPECT_EQ(s.out, want);
  EXPECT_EQ(s.diagnostics,
            "b.csv:8-9: warning: a quoted cell runs over lines 8-9 (a stray double quote?); "
            "settled as one row\n"
            "b.csv:12: 平特几肖 takes 3 arguments (g, 肖, 收入), the row gives 2\n"
            "b.csv:13: no function is named “不存在”\n"
            "b.csv:14: text after the closing quote of a field\n");
  EXPECT_EQ(s.summary.rows_read, 11u);
  EXPECT_EQ(s.summary.settled, 7u);
  EXPECT_EQ(s.summary.failed, 1u);
  EXPECT_EQ(s.summary.unreadable, 3u);
  EXPECT_EQ(s.summary.passed, 4u);
}

TEST(Settle, Utf8BookKeepsItsByteOrderMark) {
  const Settled s =
      settle_bytes("\xEF\xBB\xBF验证,2013,05 12 18 30 41 49,08\r\n号码转肖,2013,49\r\n");
  EXPECT_EQ(s.out,
            "\xEF\xBB\xBF验证,2013,05 12 18 30 41 49,08,开奖号码已载入\r\n"
            "号码转肖,2013,49,蛇\r\n");
  EXPECT_EQ(s.diagnostics, "");
}

TEST(Settle, TotalsTheNumericResultsOfEachFunction) {
  const Settled s = settle_bytes(
      "PAI,12345678\nPAI,3000000\nPAI,abc\nSL3,1200000350\n号码转肖,2013,08\n号码转肖,2013,00\n");
  const auto index = [](std::u16string_view name) {
    return static_cast<std::size_t>(find_function(name) - functions().data());
  };
  const FunctionTally& pai = s.summary.by_member[index(u"PAI")];
  EXPECT_EQ(pai.rows, 3u);
  EXPECT_EQ(pai.numeric, 2u);
  EXPECT_EQ(pai.total.text(), "15");
  EXPECT_EQ(s.summary.by_member[index(u"SL3")].total.text(), "350");
  const FunctionTally& sign = s.summary.by_member[index(u"号码转肖")];
  EXPECT_EQ(sign.rows, 2u);
  EXPECT_EQ(sign.numeric, 1u);  // the 0 of a number outside 1..49; a sign is a text
  std::ostringstream printed;
  write_summary(s.summary, printed);
  EXPECT_EQ(printed.str(),
            "6 rows read: 5 settled, 1 failed (#VALUE!), 0 unreadable; 0 blank or comment lines "
            "passed through\n"
            "failed (#VALUE!): b.csv:3\n"
            "function          rows           total\n"
            "PAI                  3              15\n"
            "号码转肖             2               0\n"
            "SL3                  1             350\n");
}

// Rows that do not read are copied with the reason and the book goes on.
TEST(Settle, RowsThatDoNotRead) {
  const struct {
    std::string book;
    std::string out;
    std::string diagnostics;
  } cases[] = {
      {"tt\nPAI,3000000\n",
       "tt,\"unreadable: “tt” is a draw-state property, not a function\"\nPAI,3000000,3\n",
       "b.csv:1: “tt” is a draw-state property, not a function\n"},
      {",5\n", ",5,unreadable: the row names no function\n",
       "b.csv:1: the row names no function\n"},
      {"PAI,1,2\n", "PAI,1,2,\"unreadable: PAI takes 1 argument (w), the row gives 2\"\n",
       "b.csv:1: PAI takes 1 argument (w), the row gives 2\n"},
      {"PAI,a\"b\n",
       "PAI,a\"b,unreadable: a double quote inside a field that does not start with one\n",
       "b.csv:1: a double quote inside a field that does not start with one\n"},
      // A quote opened and never closed: that line alone is unreadable, the
      // lines it would have swallowed are settled.
      {"TEMAL,\"05 12\nPAI,3000000\r\nPAI,1000000",
       "TEMAL,\"05 12,unreadable: a quoted field is not closed on this line\nPAI,3000000,3\r\n"
       "PAI,1000000,1",
       "b.csv:1: a quoted field is not closed on this line\n"},
      {"TEMAL,\"05\nPAI,\"x\"y\nPAI,2000000\n",
       "TEMAL,\"05,unreadable: a quoted field is not closed on this line\n"
       "PAI,\"x\"y,unreadable: text after the closing quote of a field\nPAI,2000000,2\n",
       "b.csv:1: a quoted field is not closed on this line\n"
       "b.csv:2: text after the closing quote of a field\n"},
      {"TEMAL,\"05", "TEMAL,\"05,unreadable: a quoted field is not closed",
       "b.csv:1: a quoted field is not closed\n"},
  };
  for (const auto& c : cases) {
    const Settled s = settle_bytes(c.book);
    EXPECT_EQ(s.out, c.out) << c.book;
    EXPECT_EQ(s.diagnostics, c.diagnostics) << c.book;
  }
}

TEST(Settle, BytesThatAreNotGbkText) {
  // \x81\x30 opens a four-byte sequence that never ends; the rest is GBK.
  const std::string book = gbk("号码转肖,2013,08\n") + "PAI,\x81\x30\n" + gbk("PAI,3000000\n");
  const Settled s = settle_bytes(book);
  EXPECT_EQ(s.out, gbk("号码转肖,2013,08,狗\n") +
                       "PAI,\x81\x30,unreadable: the row holds bytes that are not GBK text\n" +
                       gbk("PAI,3000000,3\n"));
  EXPECT_EQ(s.summary.unreadable, 1u);
}

TEST(Settle, BytesThatAreNotUtf8TextInABookMarkedUtf8) {
  const Settled s = settle_bytes("\xEF\xBB\xBFPAI,\xD1\xE9\r\nPAI,3000000\r\n");
  EXPECT_EQ(s.out,
            "\xEF\xBB\xBFPAI,\xD1\xE9,unreadable: the row holds bytes that are not UTF-8 text\r\n"
            "PAI,3000000,3\r\n");
}

TEST(Settle, AnOverlongLineIsCopiedThroughWithoutBeingHeld) {
  const std::string huge = "TEMAL," + std::string(kMaxRecord + 100, '7');
  const Settled s = settle_bytes("PAI,1000000\n" + huge + "\r\nPAI,2000000\n");
  EXPECT_EQ(s.out, "PAI,1000000,1\n" + huge +
                       ",unreadable: the line is longer than 1 MiB\r\nPAI,2000000,2\n");
  EXPECT_EQ(s.diagnostics, "b.csv:2: the line is longer than 1 MiB\n");
}

}  // namespace
}  // namespace korvane::cli::book

namespace korvane::cli::book {
namespace {

// ---- money safety -----------------------------------------------------------------

constexpr std::string_view kDraw = "验证,2013,05 12 18 30 41 49,08\n";

// A bet on the draw is settled only against a draw a 验证 row loaded: before
// the first one, or after one that could not be read, it is marked instead.
TEST(SettleSafely, BetsWithoutADrawAreMarkedNotPaid) {
  const struct {
    std::string_view book;
    std::string_view last_row_out;  // the last row as settled
    std::size_t no_draw;
  } cases[] = {
      {"平码几中几,二中二,01-02,100\n", "平码几中几,二中二,01-02,100,no draw\n", 1},
      {"验证,2013,05 12 18 30 41 49\n平特几肖,平特二肖,牛马鼠蛇,100\n",  // 验证 unreadable
       "平特几肖,平特二肖,牛马鼠蛇,100,no draw\n", 1},
      {"验证,2013,05 12 18 30 41 49,08\n验证,2014,\"05\"x,08\n包几肖,鼠狗,80\n",  // bad CSV
       "包几肖,鼠狗,80,no draw\n", 1},
      {"求和1,07 08,08,100,40\n", "求和1,07 08,08,100,40,no draw\n", 1},
      {"PAI,12345678\n", "PAI,12345678,12\n", 0},  // reads no draw: settled
      {"验证,2013,05 12 18 30 41 49,08\n平特几肖,平特二肖,牛马鼠蛇,100\n",
       "平特几肖,平特二肖,牛马鼠蛇,100,200\n", 0},
  };
  for (const auto& c : cases) {
    const Settled s = settle_bytes(std::string(c.book));
    SCOPED_TRACE(c.book);
    EXPECT_TRUE(s.out.ends_with(c.last_row_out)) << s.out;
    EXPECT_EQ(s.summary.no_draw, c.no_draw);
    EXPECT_EQ(s.diagnostics.find("no draw is loaded") != std::string::npos, c.no_draw > 0)
        << s.diagnostics;
  }
}

// A draw that loads but no lottery could draw is settled against, and reported.
TEST(SettleSafely, AMalformedDrawIsReported) {
  const struct {
    std::string_view draw_row;
    std::string_view why;  // "" for a well-formed draw
  } cases[] = {
      {"验证,2013,05 12 18 30 41 49,08", ""},
      {"验证,2013,05 12 18 30 41 49,8", "the special number is not a lottery number"},
      {"验证,2013,05 12 18 30 41 49,50",
       "the special number is not a lottery number (two digits, 01 to 49)"},
      {"验证,2013,05 12 18 30 41,08",
       "regular number 6 is not a lottery number (two digits, 01 to 49)"},
      {"验证,2013,05 12 18 30 41 49,12", "the special number is drawn twice"},
      {"验证,2013,05 05 18 30 41 49,08", "regular number 2 is drawn twice"},
      {"验证,2013.5,05 12 18 30 41 49,08", "the year is not a whole year"},
      {"验证,13,05 12 18 30 41 49,08", "the year is not written with four digits"},
      {"验证,2013,05 12 18 30 41 49 07,08",
       "the regular numbers are more than six two-digit numbers"},
      {"验证,2013,00 00 00 00 00 00,00",
       "regular number 1 is not a lottery number (two digits, 01 to 49)"},
  };
  for (const auto& c : cases) {
    const Settled s = settle_bytes(std::string(c.draw_row) + "\n包几肖,鼠狗,80\n");
    SCOPED_TRACE(c.draw_row);
    if (c.why.empty()) {
      EXPECT_EQ(s.diagnostics, "");
    } else {
      EXPECT_TRUE(s.diagnostics.starts_with("b.csv:1: warning: the draw is not")) << s.diagnostics;
      EXPECT_NE(s.diagnostics.find(c.why), std::string::npos) << s.diagnostics;
      EXPECT_EQ(s.summary.warnings, 1u);
    }
    EXPECT_EQ(s.summary.no_draw, 0u);  // settled all the same
    // but counted, and the run fails: a script checking the status pays nothing
    EXPECT_EQ(s.summary.on_malformed_draw, c.why.empty() ? 0u : 1u);
    EXPECT_EQ(needs_a_look(s.summary), !c.why.empty());
  }
}

TEST(SettleSafely, TheSummaryNamesTheFailedRows) {
  std::string book;
  for (int i = 0; i < 23; ++i) book += "PAI,abc\n";
  const Settled s = settle_bytes(book);
  std::ostringstream printed;
  write_summary(s.summary, printed);
  std::string named = "failed (#VALUE!):";
  for (int i = 1; i <= 20; ++i) named += " b.csv:" + std::to_string(i);
  EXPECT_NE(printed.str().find(named + " and 3 more\n"), std::string::npos) << printed.str();
}

TEST(SettleSafely, TotalsThatOverflowShowAsTheAddInShowsThem) {
  const Settled s = settle_bytes("SL3,1E308\nPAID,1E308\nPAID,1E308\n");
  std::ostringstream printed;
  write_summary(s.summary, printed);
  EXPECT_NE(printed.str().find("PAID                 2         #VALUE!\n"), std::string::npos)
      << printed.str();
  EXPECT_EQ(number_text(std::numeric_limits<double>::infinity()), u"#NUM!");
}

// ---- reading books -----------------------------------------------------------------

// Line ends of every kind read as lines, and are copied as they came.
TEST(SettleSafely, ClassicMacLineEndsAreLines) {
  const Settled s = settle_bytes("PAI,12345678\rPAID,3000000\r\nTEMAL,05 12\r");
  EXPECT_EQ(s.out, "PAI,12345678,12\rPAID,3000000,3000000\r\nTEMAL,05 12,2\r");
  EXPECT_EQ(s.summary.settled, 3u);
}

TEST(SettleSafely, OnlyRowsDecideTheEncoding) {
  const struct {
    std::string book;
    Encoding encoding;
    std::string_view note;  // what the note says, "" for none
  } cases[] = {
      {"# 备注 \xB1\xB8\n" + std::string(kDraw), Encoding::Utf8,
       "line 1 (a comment or blank line)"},
      {std::string(kDraw) + "  #\xFF\n", Encoding::Utf8, "line 2 (a comment or blank line)"},
      {std::string(kDraw), Encoding::Utf8, ""},
      {gbk(kDraw), Encoding::Gb18030, ""},
      {std::string(kDraw) + gbk("包几肖,鼠狗,80\n"), Encoding::Gb18030,
       "line 2 is not UTF-8, though line 1 is"},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.book);
    const Detected d = detect(in);
    EXPECT_EQ(d.encoding, c.encoding) << c.book;
    EXPECT_EQ(d.note.empty(), c.note.empty()) << d.note;
    EXPECT_NE(d.note.find(c.note), std::string::npos) << d.note;
  }
}

TEST(SettleSafely, AStrayQuoteIsReportedWithTheLinesItSwallowed) {
  const Settled s = settle_bytes(std::string(kDraw) + "TEMA,\"07 15,08,10\nTEMA,07\",08,10\n");
  EXPECT_NE(s.diagnostics.find("b.csv:2-3: warning: a quoted cell runs over lines 2-3"),
            std::string::npos)
      << s.diagnostics;
  const Settled t = settle_bytes("平特几肖,\"平特二肖,牛马\n鼠蛇,100\n");
  EXPECT_NE(t.diagnostics.find("b.csv:1: a quoted field is not closed"), std::string::npos)
      << t.diagnostics;
}

TEST(SettleSafely, WritesTheSettledBookInTheEncodingAsked) {
  const std::string book = gbk("# 二〇一三\n验证,2013,05 12 18 30 41 49,08\n号码转肖,2013,08\n");
  std::istringstream in(book);
  std::ostringstream out, diagnostics;
  settle(in, out, diagnostics, "b.csv", Encoding::Utf8);
  EXPECT_EQ(out.str(),
            "# 二〇一三\n验证,2013,05 12 18 30 41 49,08,开奖号码已载入\n号码转肖,2013,08,狗\n");
}

TEST(SettleSafely, MessagesQuoteAtMostEightyCharacters) {
  const std::string name(300, 'x');
  const Settled s = settle_bytes(name + ",1\n");
  EXPECT_NE(s.diagnostics.find("“" + std::string(80, 'x') + "...”"), std::string::npos)
      << s.diagnostics;
}

// ---- one pass ------------------------------------------------------------------------

// A stream that hands the book out a few bytes at a time and cannot seek
// back, as a pipe does.
class PipeBuf : public std::streambuf {
 public:
  PipeBuf(std::string bytes, std::size_t chunk) : bytes_(std::move(bytes)), chunk_(chunk) {}

 protected:
  int_type underflow() override {
    if (at_ == bytes_.size()) return traits_type::eof();
    char* p = bytes_.data() + at_;
    at_ += std::min(chunk_, bytes_.size() - at_);
    setg(p, p, bytes_.data() + at_);
    return traits_type::to_int_type(*p);
  }

 private:
  std::string bytes_;
  std::size_t chunk_;
  std::size_t at_ = 0;
};

Settled settle_piped(const std::string& book, std::size_t chunk) {
  PipeBuf pipe(book, chunk);
  std::istream in(&pipe);
  std::ostringstream out, diagnostics;
  Settled s;
  s.summary = settle(in, out, diagnostics, "b.csv");
  s.out = out.str();
  s.diagnostics = diagnostics.str();
  EXPECT_FALSE(in.seekg(0)) << "the pipe seeks";
  return s;
}

// Rows of ASCII, more than the lookahead.
constexpr std::string_view kAsciiRow = "PAI,12345678\r\n";
const std::string kFiller = [] {
  std::string rows;
  while (rows.size() <= kLookahead) rows += kAsciiRow;
  return rows;
}();
const std::size_t kFillerRows = kFiller.size() / kAsciiRow.size();
std::string line(std::size_t n) { return std::to_string(n); }

// The encoding is decided on the way, from the first rows that are not ASCII:
// a book on a pipe settles as the same book on a file, results and reasons
// held for want of the encoding come out in it, and a row past the lookahead
// that would have decided otherwise is noted, never read in the wrong encoding.
TEST(OnePass, ThePipedBookSettlesAsTheBookOnAFile) {
  const std::string sign = "号码转肖,2013,08\n";
  const std::string foo = "foo,1\n";
  const std::string foo_out = "foo,1,unreadable: no function is named “foo”\n";
  const std::string foo_report = "b.csv:1: no function is named “foo”\n";
  const std::string not_utf8 = ",unreadable: the row holds bytes that are not UTF-8 text\n";
  const std::string late_gbk = "line " + line(kFillerRows + 2) +
                               " is not UTF-8, though the book was read as UTF-8 from the lines "
                               "before it; the rows that are not UTF-8 are not settled (save the "
                               "book in one encoding)";
  std::string foos;
  while (foos.size() * 8 < kMaxRecord) foos += foo;  // results past what is held
  const std::string overlong = "PAI," + std::string(kMaxRecord, '1') + "\n";
  const struct {
    std::string_view what;
    std::string book;
    std::string out_tail;  // the settled book ends so
    std::string reports;   // the reports start so
    std::size_t report_lines;
  } cases[] = {
      {"UTF-8", std::string(kDraw) + sign, "号码转肖,2013,08,狗\n", "", 0},
      {"byte-order mark", "\xEF\xBB\xBF" + std::string(kDraw) + sign, "号码转肖,2013,08,狗\n", "",
       0},
      {"GBK", gbk(std::string(kDraw) + sign), gbk("号码转肖,2013,08,狗\n"), "", 0},
      {"GBK after the lookahead, an ASCII row's reason held for it",
       kFiller + foo + gbk(std::string(kDraw) + sign),
       gbk(foo_out + "验证,2013,05 12 18 30 41 49,08,开奖号码已载入\n号码转肖,2013,08,狗\n"),
       "b.csv:" + line(kFillerRows + 1) + ": no function is named “foo”\n", 1},
      {"mixed: the note comes before the reports on the rows", foo + std::string(kDraw) + gbk(sign),
       gbk("号码转肖,2013,08,狗\n"),
       "b.csv: read as GB18030 (GBK): line 3 is not UTF-8, though line 2 is\n" + foo_report, 3},
      {"UTF-8, a GBK row past the lookahead", std::string(kDraw) + kFiller + gbk(sign),
       gbk("号码转肖,2013,08") + not_utf8,
       "b.csv: " + late_gbk + "\nb.csv:" + line(kFillerRows + 2) +
           ": the row holds bytes that are not UTF-8 text\n",
       2},
      {"GBK, a UTF-8 row past the lookahead", gbk(std::string(kDraw)) + kFiller + sign, "",
       "b.csv: read as GB18030 (GBK): line 1 is not UTF-8, though line " + line(kFillerRows + 2) +
           " is\n",
       2},
      {"results held past their bound decide UTF-8", foos + gbk(sign),
       "foo,1,unreadable: no function is named “foo”\n" + gbk("号码转肖,2013,08") + not_utf8,
       foo_report, foos.size() / foo.size() + 2},
      {"a line too long to hold goes out after what it follows", foo + overlong + gbk(sign),
       foo_out + overlong.substr(0, overlong.size() - 1) +
           ",unreadable: the line is longer than 1 MiB\n" + gbk("号码转肖,2013,08") + not_utf8,
       foo_report + "b.csv:2: the line is longer than 1 MiB\nb.csv: line 3 is not UTF-8", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Settled file = settle_bytes(c.book);
    EXPECT_TRUE(file.out.ends_with(c.out_tail)) << file.out.substr(file.out.size() - 200);
    EXPECT_TRUE(file.diagnostics.starts_with(c.reports)) << file.diagnostics.substr(0, 400);
    EXPECT_EQ(std::count(file.diagnostics.begin(), file.diagnostics.end(), '\n'),
              static_cast<std::ptrdiff_t>(c.report_lines));
    for (std::size_t chunk : {std::size_t{1}, std::size_t{4093}}) {
      const Settled piped = settle_piped(c.book, chunk);
      EXPECT_EQ(piped.out, file.out) << chunk;
      EXPECT_EQ(piped.diagnostics, file.diagnostics) << chunk;
      EXPECT_EQ(piped.summary.rows_read, file.summary.rows_read) << chunk;
    }
  }
}

}  // namespace
}  // namespace korvane::cli::book

namespace korvane::cli::book {
namespace {

// ---- kept lines ------------------------------------------------------------------

// Kept lines come back as they went in, line ends and numbers, however they
// were kept: one by one, or given back as the bytes of several.
TEST(KeptLines, HandsBackWhatWasKept) {
  const std::vector<std::pair<std::string, std::string>> lines = {
      {"a,1", "\r\n"}, {"", "\n"}, {"b", "\r"}, {"", "\r"}, {"\"c", "\r\n"}, {"last", ""}};
  std::string bytes;
  for (const auto& [content, eol] : lines) bytes += content + eol;
  const auto drain = [](KeptLines& kept) {
    std::vector<std::string> got;
    Line line;
    while (!kept.empty()) {
      kept.pop(line);
      got.push_back(std::to_string(line.number) + ":" + std::string(line.content) + "|" +
                    std::string(line.eol));
    }
    return got;
  };
  std::vector<std::string> want;
  for (std::size_t i = 0; i < lines.size(); ++i)
    want.push_back(std::to_string(7 + i) + ":" + lines[i].first + "|" + lines[i].second);

  KeptLines one_by_one;
  for (std::size_t i = 0; i < lines.size(); ++i)
    one_by_one.push_back(lines[i].first, lines[i].second, 7 + i);
  EXPECT_EQ(drain(one_by_one), want);

  KeptLines given;
  given.give_back(bytes, 7);
  EXPECT_EQ(drain(given), want);

  // Given back in front of lines still kept, after some were handed out.
  KeptLines both;
  for (std::size_t i = 0; i < lines.size(); ++i)
    both.push_back(lines[i].first, lines[i].second, 7 + i);
  Line line;
  both.pop(line);
  both.pop(line);
  both.pop(line);
  both.give_back("x,1\ny\r\n", 8);  // lines 8 and 9 again, as a record gives them back
  EXPECT_EQ(drain(both),
            (std::vector<std::string>{"8:x,1|\n", "9:y|\r\n", want[3], want[4], want[5]}));
}

// ---- UTF-16 ----------------------------------------------------------------------

std::string utf16le(std::u16string_view text) {
  std::string out;
  for (char16_t u : text) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

std::string utf16be(std::u16string_view text) {
  std::string out;
  for (char16_t u : text) {
    out += static_cast<char>(u >> 8);
    out += static_cast<char>(u & 0xFF);
  }
  return out;
}

// UTF-16 in and out again, cut into blocks anywhere: every code unit comes
// back, lone surrogates included.
TEST(Utf16, RoundTripsInBlocksOfAnySize) {
  const std::u16string texts[] = {
      u"验证\t2013\t05 12 18 30 41 49\t08\r\n",
      u"emoji \U0001F600 and \U00020000",
      std::u16string(u"lone ") + char16_t(0xD83D) + u" lead, " + char16_t(0xDE00) + u" trail",
      std::u16string(1, char16_t(0xD800)),
      u"",
  };
  for (const bool big : {false, true}) {
    for (const std::u16string& text : texts) {
      const std::string bytes = big ? utf16be(text) : utf16le(text);
      for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        Utf16Decoder in(big);
        std::string utf8;
        in.feed(std::string_view(bytes).substr(0, cut), utf8);
        in.feed(std::string_view(bytes).substr(cut), utf8);
        EXPECT_TRUE(in.finish(utf8));
        if (text.find(char16_t(0xD800)) == std::u16string::npos &&
            text.find(char16_t(0xD83D)) == std::u16string::npos) {
          EXPECT_EQ(to_utf16(utf8), text) << cut;
        }
        for (std::size_t cut2 = 0; cut2 <= utf8.size(); ++cut2) {
          Utf16Encoder out(big);
          std::string back;
          out.feed(std::string_view(utf8).substr(0, cut2), back);
          out.feed(std::string_view(utf8).substr(cut2), back);
          out.finish(back);
          ASSERT_EQ(back, bytes) << cut << " " << cut2;
        }
      }
    }
  }
  Utf16Decoder odd(false);
  std::string utf8;
  odd.feed(std::string_view("a\0b", 3), utf8);
  EXPECT_FALSE(odd.finish(utf8));
  EXPECT_EQ(utf8, "a");
}

TEST(Utf16, BytesThatAreNotTextAreEscapedNotLost) {
  const struct {
    std::string_view utf8;
    std::u16string want;
  } cases[] = {
      {"\xD1\xE9", {char16_t(0xDCD1), char16_t(0xDCE9)}},         // GBK 验: not UTF-8
      {"a\xE9\xAA", {u'a', char16_t(0xDCE9), char16_t(0xDCAA)}},  // cut off at the end
      {"\xC0\x80", {char16_t(0xDCC0), char16_t(0xDC80)}},         // overlong
      {"\xF4\x90\x80\x80",
       {char16_t(0xDCF4), char16_t(0xDC90), char16_t(0xDC80), char16_t(0xDC80)}},
  };
  for (const auto& c : cases) {
    Utf16Encoder out(false);
    std::string bytes;
    out.feed(c.utf8, bytes);
    out.finish(bytes);
    EXPECT_EQ(bytes, utf16le(c.want)) << c.utf8;
  }
}

// ---- what the file is --------------------------------------------------------------

TEST(BookInput, NamesAFileThatIsNotABook) {
  const struct {
    std::string start;
    std::string_view says;  // "" for a book
  } cases[] = {
      {std::string("PK\x03\x04\x14\x00\x06\x00", 8),
       "looks like an .xlsx workbook: save it as CSV"},
      {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", "looks like an .xls workbook: save it as CSV"},
      {utf16le(u"PAI,12345678\r\n"), "looks like UTF-16 without a byte-order mark"},
      {utf16be(u"验证,2013,05 12 18 30 41 49,08\r\n"),
       "looks like UTF-16 without a byte-order mark"},
      {"PAI,12345678\r\n", ""},
      {gbk("验证,2013,05 12 18 30 41 49,08\r\n"), ""},
      {"PK,1\n", ""},
      {std::string("PAI,1\0", 6) + std::string(41, ';') + std::string("\0x", 2),
       ""},  // stray zeros
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(not_a_book(c.start).starts_with(c.says)) << c.start;
    EXPECT_EQ(not_a_book(c.start).empty(), c.says.empty()) << c.start;
  }
}

Settled settle_bytes_as(const std::string& book, std::optional<Encoding> output) {
  std::istringstream in(book);
  std::ostringstream out, diagnostics;
  Settled s;
  s.summary = settle(in, out, diagnostics, "b.csv", output);
  s.out = out.str();
  s.diagnostics = diagnostics.str();
  return s;
}

// A book saved by Excel as "Unicode 文本 (*.txt)": UTF-16 LE with its mark,
// tab-separated, CRLF. It settles as the same book in CSV would, and comes
// back in UTF-16, tab-separated, its mark first.
TEST(Utf16Book, ExcelUnicodeTextSettlesInItsOwnForm) {
  const std::u16string rows[][2] = {
      {u"验证\t2013\t05 12 18 30 41 49\t08", u"\t开奖号码已载入"},
      {u"号码转肖\t2013\t08", u"\t狗"},
      {u"PAI\t\"1,000,000\"", u"\t1"},
      {u"平特几肖\t平特二肖\t牛马",
       u"\tunreadable: 平特几肖 takes 3 arguments (g, 肖, 收入), the row gives 2"},
      {u"PAI\t" + std::u16string(1, char16_t(0xDE00)),
       u"\tunreadable: the row holds code units that are not UTF-16 text"},
  };
  std::u16string book = u"\uFEFF", want = u"\uFEFF";
  for (const auto& r : rows) {
    book += r[0] + u"\r\n";
    want += r[0] + r[1] + u"\r\n";
  }
  for (const bool big : {false, true}) {
    const auto wide = [big](std::u16string_view t) { return big ? utf16be(t) : utf16le(t); };
    const Settled s = settle_bytes(wide(book));
    EXPECT_EQ(s.out, wide(want)) << big;
    EXPECT_EQ(s.summary.settled, 3u);
    EXPECT_EQ(s.summary.unreadable, 2u);
    EXPECT_TRUE(s.diagnostics.starts_with("b.csv:4: 平特几肖 takes 3 arguments")) << s.diagnostics;
    std::istringstream in(wide(book));
    EXPECT_EQ(detect(in).encoding, big ? Encoding::Utf16Be : Encoding::Utf16Le);
  }
  // A CSV file in UTF-16 keeps its commas; any book may be written in UTF-16.
  const Settled csv = settle_bytes(utf16le(u"\uFEFF号码转肖,2013,08\r\n"));
  EXPECT_EQ(csv.out, utf16le(u"\uFEFF号码转肖,2013,08,狗\r\n"));
  EXPECT_EQ(settle_bytes_as(gbk("号码转肖,2013,08\r\n"), Encoding::Utf16Le).out,
            utf16le(u"\uFEFF号码转肖,2013,08,狗\r\n"));
  EXPECT_EQ(settle_bytes_as(utf16le(u"\uFEFF号码转肖\t2013\t08\r\n"), Encoding::Utf8).out,
            "\xEF\xBB\xBF号码转肖\t2013\t08\t狗\r\n");
  EXPECT_EQ(settle_bytes_as(utf16le(u"\uFEFF号码转肖\t2013\t08\r\n"), Encoding::Gb18030).out,
            gbk("号码转肖\t2013\t08\t狗\r\n"));
  // Half a character at the end is dropped, and said.
  const Settled odd = settle_bytes(utf16le(u"\uFEFFPAI\t12345678") + "7");
  EXPECT_EQ(odd.out, utf16le(u"\uFEFFPAI\t12345678\t12"));
  EXPECT_TRUE(odd.summary.odd_byte);
  EXPECT_TRUE(needs_a_look(odd.summary));
}

TEST(Utf16Book, AFileThatIsNotABookIsNotRead) {
  for (const std::string& file :
       {std::string("PK\x03\x04\x14\x00\x06\x00\x08\x00\x00\x00!\x00", 14) + std::string(5000, 'x'),
        utf16le(u"验证,2013,05 12 18 30 41 49,08\r\nPAI,12345678\r\n")}) {
    const Settled s = settle_bytes(file);
    EXPECT_EQ(s.out, "");
    EXPECT_EQ(s.diagnostics, "");
    EXPECT_EQ(s.summary.rows_read, 0u);
    EXPECT_TRUE(s.summary.not_a_book.starts_with("looks like")) << s.summary.not_a_book;
  }
}

// ---- money paid against the right draw --------------------------------------------

constexpr std::string_view kWeek1 =
    "\xEF\xBB\xBF验证,2013,05 12 18 30 41 49,08\r\n平码几中几,二中二,01-02,100\r\n";

// Two books saved by Excel as "CSV UTF-8" and joined: the second one's mark
// starts a new book, whose bets are paid from its own draw or not at all.
TEST(SettleSafely, AJoinedBookStartsAtItsByteOrderMark) {
  const struct {
    std::string_view what;
    std::string week2;
    std::string_view settled2;  // the second book as settled
  } cases[] = {
      {"its own draw",
       "\xEF\xBB\xBF验证,2014,01 02 03 04 05 06,07\r\n平码几中几,二中二,01-02,100\r\n",
       "验证,2014,01 02 03 04 05 06,07,开奖号码已载入\r\n平码几中几,二中二,01-02,100,100\r\n"},
      {"no draw of its own", "\xEF\xBB\xBF平码几中几,二中二,01-02,100\r\n",
       "平码几中几,二中二,01-02,100,no draw\r\n"},
      {"a comment first", "\xEF\xBB\xBF# 第二周\r\n平码几中几,二中二,01-02,100\r\n",
       "# 第二周\r\n平码几中几,二中二,01-02,100,no draw\r\n"},
  };
  const std::string settled1 =
      "\xEF\xBB\xBF验证,2013,05 12 18 30 41 "
      "49,08,开奖号码已载入\r\n平码几中几,二中二,01-02,100,0\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Settled s = settle_bytes(std::string(kWeek1) + c.week2);
    EXPECT_EQ(s.out, settled1 + std::string(c.settled2));
    EXPECT_TRUE(s.diagnostics.starts_with("b.csv:3: a byte-order mark starts this line"))
        << s.diagnostics;
    EXPECT_EQ(s.summary.joined, 1u);
    EXPECT_EQ(s.summary.unreadable, 0u);
  }
}

// A 验证 row that does not load forgets the draw, whatever keeps it from
// loading; a 验证 with blanks around it loads.
TEST(SettleSafely, A验证RowThatDoesNotLoadForgetsTheDraw) {
  const struct {
    std::string_view row;
    bool loads;
  } cases[] = {
      {"验证\t,2014,01 02 03 04 05 06,07", true},
      {" 验证 ,2014,01 02 03 04 05 06,07", true},
      {"\"验证 \",2014,01 02 03 04 05 06,07", true},
      {"验正,2014,01 02 03 04 05 06,07", false},  // mistyped: nearest to 验证
      {"验,2014,01 02 03 04 05 06,07", false},
      {"验证x,2014,01 02 03 04 05 06,07", false},
      {"\"验证\"x,2014,01 02 03 04 05 06,07", false},                     // not CSV
      {"验证,2014,\"01 02 03 04 05 06,07", false},                        // a quote never closed
      {"\xEF\xBB\xBF\xEF\xBB\xBF验证,2014,01 02 03 04 05 06,07", false},  // a mark in the name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    const Settled s =
        settle_bytes(std::string(kDraw) + std::string(c.row) + "\n平码几中几,二中二,01-02,100\n");
    EXPECT_TRUE(s.out.ends_with(c.loads ? "平码几中几,二中二,01-02,100,100\n"
                                        : "平码几中几,二中二,01-02,100,no draw\n"))
        << s.out;
    EXPECT_EQ(s.summary.no_draw, c.loads ? 0u : 1u);
  }
  // A row of another function, unreadable, leaves the draw as it was.
  const Settled other = settle_bytes(std::string(kDraw) + "PAI,1,2\n包几肖,鼠狗,80\n");
  EXPECT_TRUE(other.out.ends_with("包几肖,鼠狗,80,80\n")) << other.out;
}

// A bet is paid only from the draw of the nearest row above it that loaded
// one, and only when no row between them could have been a draw row: typed
// with an input method's full-width commas, pasted with tabs, copied out of
// a cell as a formula, in traditional characters, commented out, or glued
// onto the row before by `cat`.
TEST(SettleSafely, ARowThatCouldHaveBeenADrawRowForgetsTheDraw) {
  const struct {
    std::string_view row;
    bool forgets;
  } cases[] = {
      {"验证，2014，01 02 03 04 05 06，07", true},
      {"验证\t2014\t01 02 03 04 05 06\t07", true},
      {"验证；2014；01 02 03 04 05 06；07", true},
      {"=验证(2014,\"01 02 03 04 05 06\",\"07\")", true},
      {"=A1", true},
      {"\" =A1\",x", true},
      {"-A1", true},
      {"- 验证(2014,\"01 02 03 04 05 06\",\"07\")", true},
      {"＠SUM(A1)", true},
      {"驗證,2014,01 02 03 04 05 06,07", true},
      {"验 证,2014,01 02 03 04 05 06,07", true},
      {"验正，2014，01 02 03 04 05 06，07", true},
      {"# 验证,2014,01 02 03 04 05 06,07", true},
      {"包几肖,狗,100\xEF\xBB\xBF验证,2014,01 02 03 04 05 06,07", true},
      {"包几肖,狗,100验证,2014,01 02 03 04 05 06,07", true},
      {"PAI,12345678\xEF\xBB\xBF", true},
      // Rows that are no draw row leave it in force.
      {"PAI,12345678", false},
      {"PAI,1,2", false},
      {"# 第二周的注单", false},
      {"号码转肖,2013,08", false},
      {"包几肖,鼠狗,80", false},
      {",,,", false},
      {"----------", false},  // a ruler between two weeks' bets, as the book keeps them
      {"-5,x", false},
      // A draw row whose name was lost: the bets below are not paid from last week.
      {",2014,01 02 03 04 05 06,07", true},
      {"??,2014,01 02 03 04 05 06,07", true},
      {"2014,01 02 03 04 05 06,07", true},
      {"开奖,2014,\"01 02 03 04 05 06\",07", true},
      {"开奖,2014,１ ２ ３ ４ ５ ６,07", true},
      {"备注,共 5 注 100 元", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    const Settled s =
        settle_bytes(std::string(kDraw) + std::string(c.row) + "\n平码几中几,二中二,05-12,100\n");
    EXPECT_TRUE(s.out.ends_with(c.forgets ? "平码几中几,二中二,05-12,100,no draw\n"
                                          : "平码几中几,二中二,05-12,100,100\n"))
        << s.out;
    EXPECT_EQ(s.summary.no_draw, c.forgets ? 1u : 0u);
    // The report names the row that could have loaded one.
    EXPECT_EQ(s.diagnostics.find("b.csv:3: no draw is loaded: line 2 ") != std::string::npos,
              c.forgets)
        << s.diagnostics;
  }
}

// The numbers of a draw row are lottery numbers, kept as written: a special
// number of 18 matches the chain bet's 18, one of 8 is no lottery number.
TEST(SettleSafely, TheDrawsNumbersAreLotteryNumbers) {
  const struct {
    std::string_view draw_row, bet_row, paid;
    bool malformed;
  } cases[] = {
      {"验证,2013,03 12 23 31 40 47,18", "特串软串,特串,18 12 31,100", "200", false},
      {"验证,2013,03 12 23 31 40 47,'18", "特串软串,特串,18 12 31,100", "200", false},
      {"验证,2013,05 12 18 30 41 49,8", "平码几中几,二中二,05-12,100", "100", true},
      {"验证,2013,05 12 18 30 41 49,'8", "平码几中几,二中二,05-12,100", "100", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.draw_row);
    const Settled s = settle_bytes(std::string(c.draw_row) + "\n" + std::string(c.bet_row) + "\n");
    EXPECT_TRUE(s.out.ends_with(std::string(c.bet_row) + "," + std::string(c.paid) + "\n"))
        << s.out;
    EXPECT_EQ(s.summary.malformed_draws, c.malformed ? 1u : 0u) << s.diagnostics;
  }
}

// The total of a column is what its amounts, as the settled book shows them,
// add up to.
TEST(SettleSafely, TotalsAddUpAsTheColumnShows) {
  const auto repeated = [](std::string_view row, int n) {
    std::string book;
    for (int i = 0; i < n; ++i) book.append(row).append("\n");
    return book;
  };
  const struct {
    std::string book;
    std::string_view total;
  } cases[] = {
      {repeated("工资1,,0.1", 1000), "100"},
      {repeated("工资1,,0.01", 1000), "10"},
      {repeated("工资1,,33.333333333333336", 3), "99.9999999999999"},  // shown 33.3333333333333
      {"工资1,,1E15\n工资1,,1\n", "1000000000000001"},
      {"工资1,,1E15\n工资1,,1\n工资1,,-1E15\n", "1"},
      {repeated("工资1,,0.1", 10) + repeated("工资1,,-0.3", 3), "0.1"},
  };
  for (const auto& c : cases) {
    const Settled s = settle_bytes(c.book);
    std::ostringstream printed;
    write_summary(s.summary, printed);
    const std::string line = "工资1" + std::string(9, ' ');
    const std::string& p = printed.str();
    const std::size_t at = p.find(line);
    ASSERT_NE(at, std::string::npos) << p;
    const std::string row = p.substr(at, p.find('\n', at) - at);
    EXPECT_EQ(row.substr(row.rfind(' ') + 1), c.total) << row;
  }
}

// A sum of amounts as cells show them: exact in decimal, whatever the signs
// and the powers of ten; unknown when one is no amount.
TEST(DecimalSum, AddsShownAmountsExactly) {
  const struct {
    std::vector<std::u16string_view> amounts;
    std::string_view total;
  } cases[] = {
      {{}, "0"},
      {{u"0.1", u"0.2"}, "0.3"},
      {{u"-12.5", u"12.5"}, "0"},
      {{u"-0.05", u"0.01"}, "-0.04"},
      {{u"1E+15", u"1E-05"}, "1000000000000000.00001"},
      {{u"3.33333333333333E-05", u"1"}, "1.0000333333333333333"},
      {{u"1E+20", u"-1"}, "99999999999999999999"},
      {{u"1E+300", u"1"}, "1E+300"},  // too long to write out: as General shows it
      {{u"1E+308", u"1E+308"}, "#VALUE!"},
      {{u"100", u"#NUM!"}, "#VALUE!"},
      {{u"1.5.2"}, "#VALUE!"},
      {{u"1E"}, "#VALUE!"},
  };
  for (const auto& c : cases) {
    DecimalSum sum;
    for (const auto a : c.amounts) sum.add(a);
    EXPECT_EQ(sum.text(), c.total) << c.total;
  }
  // Many large amounts carry into the next power of ten without overflowing.
  DecimalSum large;
  for (int i = 0; i < 20000; ++i) large.add(u"999999999999999");
  EXPECT_EQ(large.text(), "19999999999999980000");
}

// A stray quote that swallows rows: the merged record is settled as Excel
// reads it, but the run calls for a look and the summary names its lines.
TEST(SettleSafely, ARecordOverSeveralLinesNeedsALook) {
  const Settled s = settle_bytes(
      std::string(kDraw) + "包几肖,\"鼠,100\n包几肖,狗,10\n包几肖,马\",100\n包几肖,鼠狗,80\n");
  EXPECT_EQ(s.summary.multiline, 1u);
  EXPECT_EQ(s.summary.settled, 3u);
  EXPECT_TRUE(needs_a_look(s.summary));
  std::ostringstream printed;
  write_summary(s.summary, printed);
  EXPECT_NE(printed.str().find("1 row over several lines, each settled as one (a stray "
                               "double quote?), to be looked at: b.csv:2-4\n"),
            std::string::npos)
      << printed.str();
  EXPECT_FALSE(needs_a_look(settle_bytes(std::string(kDraw) + "包几肖,鼠狗,80\n").summary));
}

// ---- as it arrives ----------------------------------------------------------------

// A pipe that hands out the book in two parts, and notes what was settled
// by the time the second part was asked for.
class TwoPartPipe : public std::streambuf {
 public:
  TwoPartPipe(std::string first, std::string second, const std::ostringstream& out)
      : parts_{std::move(first), std::move(second)}, out_(out) {}
  std::string settled_before_second;

 protected:
  int_type underflow() override {
    if (next_ == 2) return traits_type::eof();
    if (next_ == 1) settled_before_second = out_.str();
    std::string& part = parts_[next_++];
    setg(part.data(), part.data(), part.data() + part.size());
    return traits_type::to_int_type(part[0]);
  }

 private:
  std::string parts_[2];
  std::size_t next_ = 0;
  const std::ostringstream& out_;
};

TEST(OnePass, RowsAreSettledAsTheyArrive) {
  const struct {
    std::string first, second;
    std::string settled_first;
  } cases[] = {
      {std::string("\xEF\xBB\xBF") + std::string(kDraw) + "包几肖,鼠狗,80\n", "PAI,12345678\n",
       "\xEF\xBB\xBF验证,2013,05 12 18 30 41 49,08,开奖号码已载入\n包几肖,鼠狗,80,80\n"},
      {"PAI,12345678\r\nPAI,3000000\r\n", "PAI,1\r\n", "PAI,12345678,12\r\nPAI,3000000,3\r\n"},
      {utf16le(u"\uFEFFPAI\t12345678\r\n"), utf16le(u"PAI\t1\r\n"),
       utf16le(u"\uFEFFPAI\t12345678\t12\r\n")},
  };
  for (const auto& c : cases) {
    std::ostringstream out, diagnostics;
    TwoPartPipe pipe(c.first, c.second, out);
    std::istream in(&pipe);
    settle(in, out, diagnostics, "b.csv");
    EXPECT_EQ(pipe.settled_before_second, c.settled_first);
  }
}

}  // namespace
}  // namespace korvane::cli::book
