// A bet book's bytes as text and back: a line copied into a settled book of
// another encoding is converted, bytes that are not text are copied as they
// are, and a draw row's key characters are found in the bytes of either byte
// encoding, so that a row glued on from a UTF-8 terminal into a GBK book is
// seen for what it could be.
#include "cli/book_text.h"

#include <optional>
#include <sstream>

#include "core/text.h"
#include "tests/test_support.h"

namespace korvane::cli::book {
namespace {

std::string gbk(std::string_view utf8) {
  Gb18030 gb;
  std::string out;
  gb.encode(to_utf16(utf8), out);
  return out;
}

// A book detected in book, settled into output.
struct Transcoding {
  explicit Transcoding(Encoding book, Encoding output)
      : settled(out, diagnostics, output, gb), text(detected, settled, gb) {
    detected.encoding = book;
  }
  std::ostringstream out, diagnostics;
  Detected detected;
  Gb18030 gb;
  SettledOutput settled;
  BookText text;
};

TEST(BookText, CopiedLinesTakeTheSettledBooksEncoding) {
  const struct {
    Encoding book, output;
    std::string bytes, copied;
  } cases[] = {
      {Encoding::Gb18030, Encoding::Utf8, gbk("验证,1"), "验证,1"},
      {Encoding::Utf8, Encoding::Gb18030, "验证,1", gbk("验证,1")},
      {Encoding::Gb18030, Encoding::Gb18030, gbk("验证,1"), gbk("验证,1")},
      {Encoding::Gb18030, Encoding::Utf8, "PAI,\xff\xff", "PAI,\xff\xff"},  // not text: as it is
      {Encoding::Utf16Le, Encoding::Gb18030, "验证,1", gbk("验证,1")},
  };
  for (const auto& c : cases) {
    Transcoding t(c.book, c.output);
    std::string copied;
    t.text.copy(c.bytes, copied);
    EXPECT_EQ(copied, c.copied) << c.bytes;
  }
}

TEST(BookText, KeysAreFoundInEitherByteEncoding) {
  const struct {
    Encoding book;
    std::string bytes;
    bool own, other;
  } cases[] = {
      {Encoding::Gb18030, gbk("验证,1"), true, false},
      {Encoding::Gb18030, "验证,1", false, true},
      {Encoding::Utf8, gbk("验证,1"), false, true},
      {Encoding::Utf8, "验证,1", true, false},
      {Encoding::Utf8, "PAI,1", false, false},
      {Encoding::Utf16Le, "验证,1", true, false},  // its lines are handed out as UTF-8
  };
  for (const auto& c : cases) {
    Transcoding t(c.book, Encoding::Utf8);
    EXPECT_EQ(t.text.holds_a_key(c.bytes, u"验"), c.own) << c.bytes;
    EXPECT_EQ(t.text.holds_a_key_of_the_other_encoding(c.bytes, u"验"), c.other) << c.bytes;
  }
}

}  // namespace
}  // namespace korvane::cli::book
