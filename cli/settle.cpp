// `korvane settle`: settles a bet book against the draw its 验证 rows load.
//
// The book is read once, as it arrives, its encoding decided on the way (see
// book::BookReader), so a book on standard input is settled as it comes. The
// settled book never overwrites the book, nor feeds it: an output that is the
// book itself (`-o BOOK`, or `>> BOOK` or `2>> BOOK` on the shell, and so
// `< BOOK` with any of them) is refused before a byte is written. The reports
// on standard error are part of the result: when they cannot be written the
// run fails. `-o OUT` is replaced whole when the book and its reports were
// written, or not at all (see ReplacedFile).
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

#include "cli/book.h"
#include "cli/commands.h"
#include "cli/encoding.h"
#include "cli/locale_output.h"
#include "cli/quoting.h"
#include "cli/replaced_file.h"
#include "cli/stdin_stream.h"
#include "cli/terminal.h"
#include "words/system_errors.h"

namespace korvane::cli {
namespace {

using words::Tool;

struct SettleOptions {
  std::string book;
  std::string output;
  std::string output_encoding;  // "", "utf-8", "gb18030" or "utf-16"
};

constexpr int kRowsNotSettled = 1;
constexpr int kCannot = 2;
constexpr std::string_view kStandard = "-";

int cannot(const std::string& message) {
  std::cerr << "korvane settle: " << message << '\n';
  return kCannot;
}

// Why the last file operation failed, as the system says it.
std::string reason() { return words::system_error(errno, language()); }

// Why reading the book or writing the settled book failed, when the system
// said so: errno as the run left it, if it is a reason a stream's read or
// write fails for (an error the run met on its way, a row's bytes that are
// no text, is none).
std::string stream_reason() {
  for (const int e : {ENOSPC, EPIPE, EIO, EBADF, EFBIG, EROFS, ENXIO, EISDIR})
    if (errno == e) return reason();
  return {};
}

// ---- the same file ------------------------------------------------------------

#ifdef _WIN32
// A file on disk as Windows tells it apart: its volume's serial number and
// its id on the volume. The 128-bit id (FileIdInfo) is asked first: it is
// what ReFS needs, and what Wine gives for a handle it inherited from a Unix
// descriptor (`< BOOK` in a shell), for which it knows no volume (0).
struct FileId {
  unsigned long long volume = 0;  // 0: not known
  unsigned char id[16] = {};
};

bool file_id(HANDLE h, FileId& out) {
  if (h == INVALID_HANDLE_VALUE || h == nullptr || GetFileType(h) != FILE_TYPE_DISK) return false;
  FILE_ID_INFO info;
  if (GetFileInformationByHandleEx(h, FileIdInfo, &info, sizeof info)) {
    out.volume = info.VolumeSerialNumber;
    std::memcpy(out.id, info.FileId.Identifier, sizeof out.id);
    return true;
  }
  BY_HANDLE_FILE_INFORMATION old;  // before Windows 8
  if (!GetFileInformationByHandle(h, &old)) return false;
  out.volume = old.dwVolumeSerialNumber;
  const unsigned long long index =
      (static_cast<unsigned long long>(old.nFileIndexHigh) << 32) | old.nFileIndexLow;
  for (std::size_t i = 0; i < 8; ++i) out.id[i] = static_cast<unsigned char>(index >> (8 * i));
  return true;
}

// The same file: the same id on the same volume, or on a volume one of them
// does not know (refusing a run is the safe way to be wrong).
bool same_id(const FileId& a, const FileId& b) {
  return (a.volume == b.volume || a.volume == 0 || b.volume == 0) &&
         std::memcmp(a.id, b.id, sizeof a.id) == 0;
}

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

// Whether the open file behind fd is the file at path.
bool same_file(const std::string& path, int fd) {
  FileId a, b;
  const HANDLE h = CreateFileW(file_path(path).c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool got = file_id(h, a);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return got && file_id(handle_of(fd), b) && same_id(a, b);
}

// Whether two open descriptors are the one file on disk (a pipe or a
// console is never the book).
bool same_open_file(int fd_a, int fd_b) {
  FileId a, b;
  return file_id(handle_of(fd_a), a) && file_id(handle_of(fd_b), b) && same_id(a, b);
}
#else
bool same_file(const std::string& path, int fd) {
  struct stat a, b;
  return ::stat(file_path(path).c_str(), &a) == 0 && ::fstat(fd, &b) == 0 && S_ISREG(b.st_mode) &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool same_open_file(int fd_a, int fd_b) {
  struct stat a, b;
  return ::fstat(fd_a, &a) == 0 && ::fstat(fd_b, &b) == 0 && S_ISREG(a.st_mode) &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
#endif

std::optional<book::Encoding> encoding_named(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name == "utf-8" || name == "utf8") return book::Encoding::Utf8;
  if (name == "gb18030" || name == "gbk") return book::Encoding::Gb18030;
  // As Windows says "Unicode": little-endian, as Excel saves Unicode text.
  if (name == "utf-16" || name == "utf16" || name == "utf-16le") return book::Encoding::Utf16Le;
  if (name == "utf-16be") return book::Encoding::Utf16Be;
  return std::nullopt;
}

// Standard input is the book's own file when it was opened from it (`< BOOK`).
constexpr int kStdin = 0;
constexpr int kStdout = 1;
constexpr int kStderr = 2;

// Whether the reports on standard error cannot go where it points: into
// the book, where each would be read back as a row of it and grow it to the
// disk's end, or into OUT, where they would vanish with the file the settled
// book replaces. Such a run is refused without a word: the only place to say
// why is the file it must not touch.
bool stderr_is_ours(const SettleOptions& o, bool from_stdin, bool to_stdout) {
  return (!from_stdin && same_file(o.book, kStderr)) ||
         (from_stdin && same_open_file(kStdin, kStderr)) ||
         (!to_stdout && same_file(o.output, kStderr));
}

// 1. Open the book; 2. open the output, refusing the book itself; 3. settle,
// deciding the book's encoding on the way; 4. report, and fail when the
// report cannot be written.
int run_settle(const SettleOptions& o) {
  use_utf8_console();
  const bool from_stdin = o.book == kStandard;
  const std::string& book_name = o.book;
  const std::string& output_name = o.output;
  // The names as the reports show them: a control byte in a name is not
  // written to the terminal as it is.
  const std::string shown_book = escaped_text(book_name);
  const std::string shown_output = escaped_text(output_name);
  const std::string name = from_stdin ? say(Tool::StandardInput) : shown_book;
  if (o.book.empty()) return cannot(say(Tool::EmptyBookName));  // a script's unset variable
  std::ifstream file_in;
  StdinBuf stdin_buf;
  std::istream stdin_in(&stdin_buf);
  if (from_stdin) {
    binary_stdin();
  } else {
    errno = 0;
    std::error_code ec;
    if (std::filesystem::is_directory(file_path(book_name), ec))
      return cannot(say(Tool::CannotOpen, {name, words::system_error(EISDIR, language())}));
    file_in.open(file_path(book_name), std::ios::binary);
    if (!file_in) return cannot(say(Tool::CannotOpen, {name, reason()}));
  }
  std::istream& in = from_stdin ? stdin_in : file_in;
  const bool to_stdout = o.output.empty() || o.output == kStandard;
  // A terminal shows the book in its own encoding; a file or a pipe gets the book's.
  const std::optional<book::Encoding> asked = !o.output_encoding.empty()
                                                  ? encoding_named(o.output_encoding)
                                              : to_stdout ? screen_encoding()
                                                          : std::nullopt;
  if (asked == book::Encoding::Gb18030 && !Gb18030().ready()) return cannot(say(Tool::NoConverter));

  if (stderr_is_ours(o, from_stdin, to_stdout)) return kCannot;
  std::optional<ReplacedFile> file;
  if (!to_stdout) {
    std::error_code ec;
    if (!from_stdin &&
        std::filesystem::equivalent(file_path(book_name), file_path(output_name), ec))
      return cannot(say(Tool::WouldOverwrite, {shown_book}));
    if (from_stdin && same_file(output_name, kStdin))
      return cannot(say(Tool::InputIsOutput, {shown_output}));
    file.emplace(output_name, language(), shown_output);
    if (!file->open()) return cannot(file->error());
  } else {
    if (!from_stdin && same_file(book_name, kStdout))
      return cannot(say(Tool::OutputIsBook, {shown_book}));
    if (from_stdin && same_open_file(kStdin, kStdout)) return cannot(say(Tool::OutputIsInput));
    binary_stdout();
  }
  const std::unique_ptr<std::streambuf> console = to_stdout ? console_output() : nullptr;
  std::ostream console_out(console.get());
  std::ostream& out = console ? console_out : to_stdout ? bytes_out() : file->stream();

  // Until the end, a failure leaves OUT as it was: the new file goes with `file`.
  errno = 0;
  const book::Summary summary = book::settle(in, out, std::cerr, name, asked, language());
  out.flush();
  if (summary.no_converter) return cannot(say(Tool::NoConverter));
  if (!summary.not_a_book.empty()) return cannot(say(Tool::NotABook, {name, summary.not_a_book}));
  const std::string why = stream_reason();
  if (in.bad())
    return cannot(why.empty() ? say(Tool::ReadingFailed, {name})
                              : say(Tool::ReadingFailedBecause, {name, why}));
  if (!out && !file)
    return cannot(why.empty() ? say(Tool::WritingFailed, {say(Tool::TheSettledBook)})
                              : say(Tool::WritingFileFailed, {say(Tool::TheSettledBook), why}));
  if (!out && !file->commit()) return cannot(file->error());  // the new file is gone
  book::write_summary(summary, std::cerr, language());
  std::cerr.flush();
  if (!std::cerr) return kCannot;  // the reports are lost: there is nowhere left to say so
  if (file && !file->commit()) return cannot(file->error());
  return book::needs_a_look(summary) ? kRowsNotSettled : 0;
}

}  // namespace

void add_settle(CLI::App& app) {
  auto options = std::make_shared<SettleOptions>();
  CLI::App* cmd = app.add_subcommand("settle", say(Tool::SettleDescription));
  cmd->add_option("BOOK", options->book, say(Tool::SettleBookOption))->required();
  // -o "" is a script's unset variable, not a wish to write to the screen.
  cmd->add_option("-o,--output", options->output, say(Tool::SettleOutputOption))
      ->check(CLI::Validator(
          [](std::string& name) { return name.empty() ? say(Tool::EmptyOutputName) : ""; }, ""));
  cmd->add_option("--output-encoding", options->output_encoding, say(Tool::SettleEncodingOption))
      ->option_text(say(Tool::PlaceholderEncoding))
      ->check(CLI::Validator(
          [](std::string& name) {
            return encoding_named(name) ? "" : say(Tool::NotAnEncoding, {quoted_text(name)});
          },
          // The names it takes, as the bash completion offers them.
          "{utf-8,utf8,gb18030,gbk,utf-16,utf16,utf-16le,utf-16be}"));
  cmd->footer(say(Tool::SettleFooter));
  cmd->callback([options] { set_exit_code(run_settle(*options)); });
}

}  // namespace korvane::cli
