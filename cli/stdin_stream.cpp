#include "cli/stdin_stream.h"

#include <cerrno>
#include <ios>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <poll.h>
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
#if defined(FIONREAD) && !defined(_WIN32)  // windows.h defines it, for sockets only
  int n = 0;
  if (::ioctl(0, FIONREAD, &n) == 0 && n > 0) return n;
#endif
  return 0;
}

}  // namespace korvane::cli

namespace korvane::cli {

// Whether anything is there within ms: bytes buffered, bytes or the end of a
// pipe or terminal; a file is always there. A failure to tell says yes: the
// read that follows waits, as it would have anyway.
bool StdinBuf::arrives_within(int ms) {
  if (gptr() < egptr()) return true;
#ifdef _WIN32
  const HANDLE h = GetStdHandle(STD_INPUT_HANDLE);
  switch (GetFileType(h)) {
    case FILE_TYPE_PIPE:  // no waiting on a pipe's handle: look, a little at a time
      for (int waited = 0;; waited += 10) {
        DWORD ready = 0;
        if (!PeekNamedPipe(h, nullptr, 0, nullptr, &ready, nullptr) || ready > 0) return true;
        if (waited >= ms) return false;
        Sleep(10);
      }
    case FILE_TYPE_CHAR:
      return WaitForSingleObject(h, static_cast<DWORD>(ms)) != WAIT_TIMEOUT;
    default:
      return true;
  }
#else
  pollfd fd{0, POLLIN, 0};
  for (;;) {
    const int n = ::poll(&fd, 1, ms);
    if (n >= 0) return n > 0;
    if (errno != EINTR) return true;
  }
#endif
}

}  // namespace korvane::cli
