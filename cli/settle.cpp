// `korvane settle`: settles a bet book against the draw its 验证 rows load.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "cli/book.h"
#include "cli/commands.h"
#include "cli/encoding.h"

namespace korvane::cli {
namespace {

struct SettleOptions {
  std::string book;
  std::string output;
};

constexpr int kUnreadableRows = 1;
constexpr int kCannot = 2;

int cannot(const std::string& message) {
  std::cerr << "korvane settle: " << message << '\n';
  return kCannot;
}

int run_settle(const SettleOptions& o) {
  use_utf8_console();
  std::ifstream in(o.book, std::ios::binary);
  if (!in) return cannot("cannot open " + o.book);
  const book::Detected detected = book::detect(in);
  if (in.bad()) return cannot("cannot read " + o.book);
  in.clear();
  in.seekg(0);
  if (!in) return cannot("cannot read " + o.book + " a second time: give a file, not a pipe");
  if (detected.encoding == book::Encoding::Gb18030 && !Gb18030().ready())
    return cannot(o.book + " is not UTF-8, and this system has no GB18030 converter");

  std::ofstream file;
  if (!o.output.empty()) {
    std::error_code ec;
    if (std::filesystem::equivalent(o.book, o.output, ec))
      return cannot("the settled book would overwrite " + o.book + ": choose another -o");
    file.open(o.output, std::ios::binary | std::ios::trunc);
    if (!file) return cannot("cannot write " + o.output);
  } else {
    binary_stdout();
  }
  std::ostream& out = o.output.empty() ? std::cout : file;

  const book::Summary summary = book::settle(in, detected, out, std::cerr, o.book);
  out.flush();
  if (file.is_open()) file.close();
  if (in.bad()) return cannot("reading " + o.book + " failed part way");
  if (!out)
    return cannot("writing " + (o.output.empty() ? "the settled book" : o.output) + " failed");
  book::write_summary(summary, std::cerr);
  return summary.unreadable ? kUnreadableRows : 0;
}

}  // namespace

void add_settle(CLI::App& app) {
  auto options = std::make_shared<SettleOptions>();
  CLI::App* cmd = app.add_subcommand(
      "settle", "Settle a bet book (CSV, UTF-8 or GBK) against the draw its 验证 rows load");
  cmd->add_option("BOOK", options->book, "The bet book: one worksheet call per row")->required();
  cmd->add_option("-o,--output", options->output,
                  "Write the settled book here instead of to standard output");
  cmd->footer(
      "Each row is a function name and its arguments without 易失; a 验证 row loads the\n"
      "draw for the rows after it. The settled book is every row as it was with its result\n"
      "appended, in the book's encoding; the summary goes to standard error. Exits 1 when\n"
      "a row could not be read (it is copied through with the reason), 2 on a file error.");
  cmd->callback([options] { set_exit_code(run_settle(*options)); });
}

}  // namespace korvane::cli
