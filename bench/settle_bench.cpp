// Settling a large bet book: a day's rows of the example book repeated to
// the size asked, after its draw, in GBK and in UTF-8, and as Excel's Unicode
// text (UTF-16 LE, tab-separated). The book is written to a temporary file
// before timing starts; each iteration reads it once, deciding its encoding
// on the way, settles every row and writes the settled book to /dev/null.
// The piped case hands the same book out 64 KiB at a time, as a pipe does,
// each piece a read of its own that settles what has come before the next.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/book.h"
#include "cli/encoding.h"
#include "core/text.h"

namespace korvane::cli::book {
namespace {

namespace fs = std::filesystem;

// The bet rows of the example book (UTF-8, without line ends), draw first.
std::vector<std::string> example_rows() {
  std::ifstream in(fs::path(KORVANE_SOURCE_DIR) / "examples" / "book-utf8.csv", std::ios::binary);
  std::vector<std::string> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (line.empty() || line[0] == '#') continue;
    rows.push_back(line);
  }
  return rows;
}

// Generated books, removed when the program ends.
class Books {
 public:
  ~Books() {
    std::error_code ec;
    for (const auto& [key, path] : paths_) fs::remove(path, ec);
  }

  enum Form { kUtf8, kGbk, kUtf16 };

  const fs::path& get(std::size_t rows, Form form) {
    auto [it, fresh] = paths_.try_emplace({rows, form});
    if (fresh) it->second = write(rows, form);
    return it->second;
  }

 private:
  static std::string utf16le(std::u16string_view text) {
    std::string out;
    for (const char16_t u : text) {
      out += static_cast<char>(u & 0xFF);
      out += static_cast<char>(u >> 8);
    }
    return out;
  }

  static fs::path write(std::size_t rows, Form form) {
    static const char* const names[] = {"-utf8.csv", "-gbk.csv", "-utf16.txt"};
    // Named for this process: two benchmark runs at once (before and after
    // a change, side by side) must not remove each other's books.
    const fs::path path = fs::temp_directory_path() / ("korvane-bench-" + std::to_string(getpid()) +
                                                       "-" + std::to_string(rows) + names[form]);
    const std::vector<std::string> template_rows = example_rows();
    std::vector<std::string> encoded;
    Gb18030 gb;
    for (std::string r : template_rows) {
      std::string bytes;
      if (form == kGbk) {
        gb.encode(to_utf16(r + "\r\n"), bytes);
      } else if (form == kUtf16) {
        std::replace(r.begin(), r.end(), ',', '\t');  // the rows hold no quoted cell
        bytes = utf16le(to_utf16(r + "\r\n"));
      } else {
        bytes = r + "\r\n";
      }
      encoded.push_back(bytes);
    }
    std::ofstream out(path, std::ios::binary);
    if (form == kUtf16) out << "\xFF\xFE";
    out << encoded[0];  // the draw
    for (std::size_t i = 1; i < rows; ++i) out << encoded[1 + (i - 1) % (encoded.size() - 1)];
    return path;
  }

  std::map<std::pair<std::size_t, Form>, fs::path> paths_;
};

Books& books() {
  static Books b;
  return b;
}

// The book out of memory a piece at a time, as a pipe hands it out: each
// piece is all that is there until it is read.
class PipedBook : public std::streambuf {
 public:
  PipedBook(const std::string& bytes, std::size_t piece) : bytes_(bytes), piece_(piece) {}

 protected:
  int_type underflow() override {
    if (at_ == bytes_.size()) return traits_type::eof();
    char* p = const_cast<char*>(bytes_.data()) + at_;
    at_ += std::min(piece_, bytes_.size() - at_);
    setg(p, p, const_cast<char*>(bytes_.data()) + at_);
    return traits_type::to_int_type(*p);
  }

 private:
  const std::string& bytes_;
  std::size_t piece_;
  std::size_t at_ = 0;
};

void settle_book(benchmark::State& state, Books::Form form, bool piped) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  const fs::path& path = books().get(rows, form);
  const auto size = static_cast<std::int64_t>(fs::file_size(path));
  std::string bytes;
  if (piped) {
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), {});
  }
  for (auto _ : state) {
    std::ifstream file;
    PipedBook pipe(bytes, std::size_t{64} << 10);
    std::istream pipe_in(&pipe);
    if (!piped) file.open(path, std::ios::binary);
    std::istream& in = piped ? pipe_in : file;
    std::ofstream out("/dev/null", std::ios::binary);
    std::ostringstream diagnostics;
    const Summary s = settle(in, out, diagnostics, "bench");
    if (s.rows_read != rows) state.SkipWithError("rows lost");
    benchmark::DoNotOptimize(s.settled);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * size);
}

void BM_SettleGbkBook(benchmark::State& state) { settle_book(state, Books::kGbk, false); }
void BM_SettleUtf8Book(benchmark::State& state) { settle_book(state, Books::kUtf8, false); }
void BM_SettlePipedGbkBook(benchmark::State& state) { settle_book(state, Books::kGbk, true); }
void BM_SettleUtf16Book(benchmark::State& state) { settle_book(state, Books::kUtf16, false); }

BENCHMARK(BM_SettleGbkBook)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SettleUtf8Book)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SettlePipedGbkBook)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SettleUtf16Book)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace korvane::cli::book
