#include "cli/stdin_stream.h"

#include <cerrno>
#include <ios>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace korvane::cli {

StdinBuf::int_type StdinBuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  for (;;) {
#ifdef _WIN32
    const int n = _read(0, buf_, static_cast<unsigned>(kSize));
#else
    const ssize_t n = ::read(0, buf_, kSize);
#endif
    if (n > 0) {
      setg(buf_, buf_, buf_ + n);
      return traits_type::to_int_type(*gptr());
    }
    if (n == 0) return traits_type::eof();
    if (errno != EINTR) throw std::ios_base::failure("cannot read standard input");
  }
}

// What a read would return without waiting: the bytes buffered here, or
// those the system holds for the descriptor (a pipe's, or the rest of a
// file); 0 when that is not known.
std::streamsize StdinBuf::showmanyc() {
#ifdef FIONREAD
  int n = 0;
  if (::ioctl(0, FIONREAD, &n) == 0 && n > 0) return n;
#endif
  return 0;
}

}  // namespace korvane::cli
