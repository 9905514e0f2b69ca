// Fuzz target: rows of a bet book, as `korvane settle` reads them.
//
// The input is the row (or rows: it may hold line ends, quoted fields across
// lines, bytes that are not text). It is settled as a book whose first row
// loads the draw of the worked example, written in the encoding the input
// makes the book take (UTF-8, or GB18030 when the input is not UTF-8), so the
// row is settled against a real draw, through the same reading, typing and
// writing as a book on disk. The settled book must:
//  - account for every row: read = settled + failed + unreadable, with a
//    diagnostic for each unreadable row and none without one;
//  - start with the draw row and the confirmation 验证 hands back;
//  - lose nothing: every byte of the book is copied through, results and
//    reasons are only appended, so the settled book is never shorter (but
//    for the byte-order mark of a book joined on, dropped and reported).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/book.h"
#include "cli/encoding.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace {

using namespace korvane;
namespace book = korvane::cli::book;

[[noreturn]] void broken(std::string_view what, const std::string& in, const std::string& out,
                         const std::string& diagnostics = {}) {
  auto show = [](const char* title, std::string_view bytes) {
    std::fputs(title, stderr);
    std::fwrite(bytes.data(), 1, bytes.size() > 4000 ? 4000 : bytes.size(), stderr);
    std::fputs("\n", stderr);
  };
  show("", what);
  show("book:\n", in);
  show("settled:\n", out);
  show("diagnostics:\n", diagnostics);
  std::abort();
}

book::Detected detect(const std::string& bytes) {
  std::istringstream in(bytes);
  return book::detect(in);
}

// The text in the book's encoding.
std::string in_encoding(std::u16string_view text, book::Encoding e, cli::Gb18030& gb) {
  if (e == book::Encoding::Utf8) return to_utf8(text);
  std::string out;
  gb.encode(text, out);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The encoding is decided within book::kLookahead of the first line that is
  // not ASCII: the draw row, once the row is that long, would decide alone.
  if (size > book::kLookahead / 2) return 0;
  std::string row(reinterpret_cast<const char*>(data), size);
  // A byte-order mark opens the book, before the draw row.
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  const std::string bom = row.starts_with(kBom) ? std::string(kBom) : std::string();
  row.erase(0, bom.size());
  cli::Gb18030 gb;
  const book::Encoding encoding = detect(bom + row).encoding;
  if (encoding == book::Encoding::Gb18030 && !gb.ready()) return 0;
  // A whole file's form (UTF-16, a workbook), not a row's.
  if (book::is_utf16(encoding) || !book::not_a_book(bom + row).empty()) return 0;

  const std::string draw = bom + in_encoding(u"验证,2013,05 12 18 30 41 49,08", encoding, gb);
  const std::string text = draw + "\n" + row;
  const book::Detected detected = detect(text);
  if (detected.encoding != encoding) broken("the draw row changed the book's encoding", text, {});

  std::istringstream in(text);
  std::ostringstream out, diagnostics;
  const book::Summary s = book::settle(in, out, diagnostics, "row");
  const std::string settled = out.str();

  if (s.rows_read != s.settled + s.failed + s.unreadable + s.no_draw)
    broken("rows read are not settled, failed, unreadable or without a draw", text, settled);
  std::size_t reported = 0;
  for (char c : diagnostics.str()) reported += c == '\n';
  if (!detected.note.empty()) --reported;  // the note on the book's encoding comes first
  // A reason that quotes a name read from a quoted field can span lines.
  const std::size_t to_report = s.unreadable + s.no_draw + s.warnings + s.joined;
  if (reported < to_report || (to_report == 0 && reported != 0))
    broken("reported rows and diagnostics differ", text, settled, diagnostics.str());
  const std::string first =
      draw + "," + in_encoding(std::u16string(kConfirmation), encoding, gb) + "\n";
  if (!settled.starts_with(first)) broken("the draw row did not settle first", text, settled);
  if (settled.size() + s.joined * 3 < text.size())
    broken("the settled book lost bytes", text, settled);
  return 0;
}
