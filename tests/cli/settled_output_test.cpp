// The settled output: what the settler writes waits for the book's encoding
// when it must, and for no longer and no more than it must.
#include "cli/settled_output.h"

#include <optional>
#include <sstream>
#include <string>

#include "cli/encoding.h"
#include "core/text.h"
#include "tests/test_support.h"

namespace korvane::cli::book {
namespace {

// GB18030 bytes of a UTF-8 text, as Excel on a Chinese Windows saves it.
std::string gbk(std::string_view utf8) {
  Gb18030 gb;
  std::string out;
  gb.encode(to_utf16(utf8), out);
  return out;
}

// Two settled rows, the second's result not ASCII, a report on
// each, then the book's encoding decided (or the book stopped).
TEST(SettledOutput, HoldsWhatWaitsForTheEncodingAndNothingElse) {
  const struct {
    const char* name;
    std::optional<Encoding> asked;
    std::optional<Encoding> book;  // none: the book cannot be converted
    std::string before_decision;   // written before the encoding is decided
    std::string out;
    std::string diagnostics;
  } cases[] = {
      {"a UTF-8 book",
       {},
       Encoding::Utf8,
       "PAI,1,0\nSL3,x,",
       "PAI,1,0\nSL3,x,无效\n",
       "note\nrow 1\nrow 2\n"},
      {"a GBK book: the held rows turn into GBK",
       {},
       Encoding::Gb18030,
       "PAI,1,0\nSL3,x,",
       "PAI,1,0\nSL3,x," + gbk("无效\n"),
       "note\nrow 1\nrow 2\n"},
      {"UTF-8 asked for: nothing waits", Encoding::Utf8, Encoding::Gb18030, "PAI,1,0\nSL3,x,无效\n",
       "PAI,1,0\nSL3,x,无效\n", "note\nrow 1\nrow 2\n"},
      {"no converter: what waits never goes out",
       {},
       std::nullopt,
       "PAI,1,0\nSL3,x,",
       "PAI,1,0\nSL3,x,",
       ""},
  };
  for (const auto& c : cases) {
    std::ostringstream out, diagnostics;
    Gb18030 gb;
    SettledOutput settled(out, diagnostics, c.asked, gb);
    settled.bytes() += "PAI,1,0\n";
    settled.report() << "row 1\n";
    settled.bytes() += "SL3,x,";  // a row copied while the encoding is open is ASCII
    settled.not_ascii_from(settled.bytes().size());
    settled.bytes() += "无效\n";
    settled.report() << "row 2\n";
    settled.write();
    EXPECT_EQ(out.str(), c.before_decision) << c.name;
    EXPECT_TRUE(settled.open()) << c.name;
    if (c.book) {
      settled.decide(*c.book, "note\n");
    } else {
      settled.stop();
    }
    settled.write();
    settled.finish();
    EXPECT_EQ(out.str(), c.out) << c.name;
    EXPECT_EQ(diagnostics.str(), c.diagnostics) << c.name;
    EXPECT_EQ(settled.holding(), !c.book) << c.name;
  }
}

// What is held is bounded: past a record's worth of held rows the settler is
// told to decide, and past a record's worth of reports they go out ahead of
// the note they wait for.
TEST(SettledOutput, HoldsNoMoreThanARecord) {
  std::ostringstream out, diagnostics;
  Gb18030 gb;
  SettledOutput settled(out, diagnostics, std::nullopt, gb);
  settled.not_ascii_from(0);
  settled.bytes().assign(kMaxRecord - 1, 'x');
  EXPECT_FALSE(settled.must_decide());
  settled.bytes() += 'x';
  EXPECT_TRUE(settled.must_decide());
  settled.report() << std::string(kMaxRecord - 1, 'r');
  settled.bound_reports();
  EXPECT_EQ(diagnostics.str().size(), 0u);
  settled.report() << 'r';
  settled.bound_reports();
  EXPECT_EQ(diagnostics.str().size(), kMaxRecord);
}

}  // namespace
}  // namespace korvane::cli::book
