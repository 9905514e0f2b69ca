// Standard output as a terminal: its encoding, and the Windows console's
// wide output (see terminal.h).
#include "cli/terminal.h"

#include <string>
#include <string_view>

#include "core/text.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#endif

namespace korvane::cli {

book::Encoding terminal_encoding(std::string_view codeset) {
  std::string name;
  for (char c : codeset)
    if (c != '-' && c != '_') name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  // GBK and GB2312 terminals show GB18030's bytes of every character they have.
  if (name == "GB18030" || name == "GBK" || name == "GB2312" || name == "CP936" || name == "EUCCN")
    return book::Encoding::Gb18030;
  return book::Encoding::Utf8;
}

#ifdef _WIN32

namespace {

HANDLE console() {
  const HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode) ? h : nullptr;
}

// UTF-8 in, UTF-16 to the console out.
class ConsoleBuf final : public std::streambuf {
 public:
  explicit ConsoleBuf(HANDLE h) : console_(h) {}
  ~ConsoleBuf() override { write(true); }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_ += traits_type::to_char_type(c);
    if (pending_.size() >= kBlock && !write(false)) return traits_type::eof();
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    pending_.append(s, static_cast<std::size_t>(n));
    if (pending_.size() >= kBlock && !write(false)) return 0;
    return n;
  }
  int sync() override { return write(false) ? 0 : -1; }

 private:
  static constexpr std::size_t kBlock = 16 << 10;

  // 1. The whole characters written so far (all of them at the end);
  // 2. as UTF-16; 3. to the console, every unit of it.
  bool write(bool all) {
    const std::size_t n = all ? pending_.size() : utf8_whole_prefix(pending_);
    if (n == 0) return true;
    const int units =
        MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(n), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0)
      MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(n), wide.data(), units);
    pending_.erase(0, n);
    for (std::size_t done = 0; done < wide.size();) {
      DWORD written = 0;
      if (!WriteConsoleW(console_, wide.data() + done, static_cast<DWORD>(wide.size() - done),
                         &written, nullptr) ||
          written == 0)
        return false;
      done += written;
    }
    return true;
  }

  HANDLE console_;
  std::string pending_;
};

}  // namespace

void hold_the_standard_descriptors() {}

bool stdout_is_terminal() { return console() != nullptr; }

book::Encoding locale_encoding() { return book::Encoding::Utf8; }

std::optional<book::Encoding> screen_encoding() {
  if (!stdout_is_terminal()) return std::nullopt;
  return book::Encoding::Utf8;  // handed to the console as UTF-16
}

std::unique_ptr<std::streambuf> console_output() {
  const HANDLE h = console();
  if (!h) return nullptr;
  return std::make_unique<ConsoleBuf>(h);
}

#else

void hold_the_standard_descriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number: fd itself, as those below it are open.
    const int held = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    if (held >= 0 && held != fd) {
      ::dup2(held, fd);
      ::close(held);
    }
  }
}

bool stdout_is_terminal() { return isatty(STDOUT_FILENO) == 1; }

namespace {

// The codeset the locale's name gives ("zh_CN.gb18030" → gb18030, "zh_CN" →
// GB2312, as the C library defines it), for a locale the system does not
// have: the terminal the user set up still shows that codeset, whatever the
// C library can say of it.
std::string named_codeset() {
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"})
    if (const char* value = std::getenv(variable); !name && value && *value) name = value;
  const std::string_view locale = name ? name : "";
  const std::size_t dot = locale.find('.');
  if (dot != std::string_view::npos)
    return std::string(locale.substr(dot + 1, locale.find('@', dot) - dot - 1));
  // Without one, a locale has its own codeset: zh_CN's and zh_SG's is GB2312.
  const std::string_view bare = locale.substr(0, locale.find('@'));
  return bare == "zh_CN" || bare == "zh_SG" ? "GB2312" : "";
}

}  // namespace

book::Encoding locale_encoding() {
  // The locale's codeset, read without leaving the locale set: the rest of
  // the tool reads bytes as bytes.
  const char* now = std::setlocale(LC_CTYPE, nullptr);
  const std::string saved = now ? now : "C";
  const bool installed = std::setlocale(LC_CTYPE, "") != nullptr;
  const std::string codeset = installed ? nl_langinfo(CODESET) : named_codeset();
  std::setlocale(LC_CTYPE, saved.c_str());
  return terminal_encoding(codeset);
}

std::optional<book::Encoding> screen_encoding() {
  if (!stdout_is_terminal()) return std::nullopt;
  return locale_encoding();
}

std::unique_ptr<std::streambuf> console_output() { return nullptr; }

#endif

}  // namespace korvane::cli
