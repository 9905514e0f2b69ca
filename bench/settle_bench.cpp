// Settling a large bet book: a day's rows of the example book repeated to
// the size asked, after its draw, in GBK and in UTF-8. The book is written to
// a temporary file before timing starts; each iteration reads it once,
// deciding its encoding on the way, settles every row and writes the settled
// book to /dev/null.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
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

  const fs::path& get(std::size_t rows, bool gbk) {
    auto [it, fresh] = paths_.try_emplace({rows, gbk});
    if (fresh) it->second = write(rows, gbk);
    return it->second;
  }

 private:
  static fs::path write(std::size_t rows, bool gbk) {
    const fs::path path = fs::temp_directory_path() / ("korvane-bench-" + std::to_string(rows) +
                                                       (gbk ? "-gbk" : "-utf8") + ".csv");
    const std::vector<std::string> template_rows = example_rows();
    std::vector<std::string> encoded;
    Gb18030 gb;
    for (const std::string& r : template_rows) {
      std::string bytes;
      if (gbk) {
        gb.encode(to_utf16(r), bytes);
      } else {
        bytes = r;
      }
      encoded.push_back(bytes + "\r\n");
    }
    std::ofstream out(path, std::ios::binary);
    out << encoded[0];  // the draw
    for (std::size_t i = 1; i < rows; ++i) out << encoded[1 + (i - 1) % (encoded.size() - 1)];
    return path;
  }

  std::map<std::pair<std::size_t, bool>, fs::path> paths_;
};

Books& books() {
  static Books b;
  return b;
}

void settle_book(benchmark::State& state, bool gbk) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  const fs::path& path = books().get(rows, gbk);
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::ofstream out("/dev/null", std::ios::binary);
    std::ostringstream diagnostics;
    const Summary s = settle(in, out, diagnostics, "bench");
    if (s.rows_read != rows) state.SkipWithError("rows lost");
    benchmark::DoNotOptimize(s.settled);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}

void BM_SettleGbkBook(benchmark::State& state) { settle_book(state, true); }
void BM_SettleUtf8Book(benchmark::State& state) { settle_book(state, false); }

BENCHMARK(BM_SettleGbkBook)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SettleUtf8Book)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace korvane::cli::book
