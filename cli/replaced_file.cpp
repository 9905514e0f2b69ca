// A file replaced whole or not at all (see replaced_file.h): the new file
// beside it, the signal that stops a run half way, and the swap.
#include "cli/replaced_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "cli/encoding.h"
#include "words/system_errors.h"
#include "words/tool.h"

namespace korvane::cli {

using words::Tool;

namespace {

namespace fs = std::filesystem;

// The new file a run has open, for the code that runs when the run is
// stopped: a signal handler (or Windows' console handler) may only remove a
// path set aside for it beforehand. This is the tool's one process-wide
// state, because a signal is process-wide; one new file at a time is
// guarded, and the tool only ever has one.
#ifdef _WIN32
struct Pending {
  wchar_t path[4096];
  volatile LONG armed;
};
#else
struct Pending {
  char path[4096];
  volatile std::sig_atomic_t armed;
};
#endif
Pending pending;

// The name of the new file beside the target starts with the target's own
// name, cut to its first 200 bytes: a name near the file system's limit of
// 255 must still leave room for the rest (".", ".korvane-" and six more).
std::string beside_name(std::string name) {
  if (name.size() > 200) name.resize(200);
  return "." + name + ".korvane-";
}

// The file a name stands for: a link followed to the end of its chain, also
// when that end is not there yet (the new file is made where the link
// points, as the shell's > does; the user's link stays); the name itself
// when it is no link. A chain that goes round is an error (ELOOP).
fs::path followed(const fs::path& given, std::error_code& ec) {
  fs::path p = given;
  for (int hops = 0; fs::is_symlink(p, ec); ++hops) {
    fs::path to = fs::read_symlink(p, ec);
    if (ec) {  // a link that cannot be read is written over, as a name
      ec.clear();
      return given;
    }
    if (hops == 40) {
      ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
      return given;
    }
    p = to.is_absolute() ? to : p.parent_path() / to;
  }
  ec.clear();
  return p;
}

#ifdef _WIN32

// A path as Windows takes it: the wide text of the UTF-8 name.
std::wstring wide(const std::string& utf8) { return file_path(utf8).native(); }

// Ctrl-C, Ctrl-Break or a closed console window: the new file goes (it was
// opened to allow this, and disappears when the process ends), then Windows
// ends the process as it would have.
BOOL WINAPI on_console_stop(DWORD) {
  if (pending.armed) DeleteFileW(pending.path);
  return FALSE;
}

bool arm(const std::string& path) {
  const std::wstring w = wide(path);
  if (w.size() >= sizeof pending.path / sizeof pending.path[0] || pending.armed) return false;
  std::memcpy(pending.path, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
  pending.armed = 1;
  SetConsoleCtrlHandler(on_console_stop, TRUE);
  return true;
}

void disarm() {
  pending.armed = 0;
  SetConsoleCtrlHandler(on_console_stop, FALSE);
}

// Why a Windows call failed, as a person can act on it.
std::string windows_reason(DWORD error, words::Language language) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
      return words::say(words::Tool::OpenElsewhere, language);
    case ERROR_ACCESS_DENIED:
      return words::say(words::Tool::AccessDenied, language);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return words::system_error(ENOSPC, language);
    default:
      return words::say(words::Tool::WindowsError, language, {std::to_string(error)});
  }
}

// Creates a new file in folder, open for writing, that may be removed while
// open; "" when it cannot (error set).
std::string create_beside(const fs::path& folder, const std::string& name, int& fd, int& error) {
  const std::wstring base = (folder / file_path(beside_name(name))).native();
  for (unsigned i = 0; i < 100; ++i) {
    const std::wstring path = base + std::to_wstring(_getpid()) + L"-" +
                              std::to_wstring(GetTickCount() + i * 7919u) + L".tmp";
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      error = static_cast<int>(GetLastError());
      return "";
    }
    fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), 0);
    if (fd < 0) {
      error = ERROR_TOO_MANY_OPEN_FILES;
      CloseHandle(h);
      DeleteFileW(path.c_str());
      return "";
    }
    return path_utf8(fs::path(path));
  }
  error = ERROR_FILE_EXISTS;
  return "";
}

#else

// A name the tool holds as UTF-8, as the file system holds it.
std::string native(const std::string& utf8) { return file_path(utf8).native(); }

extern "C" void on_stop_signal(int sig) {
  if (pending.armed) ::unlink(pending.path);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// The signals whose default ends the run: from outside it (Ctrl-C, kill, a
// closed terminal, a timer or a script's own signal) or a CPU limit reached.
// One ignored on purpose (a run under nohup ignores SIGHUP; the tool itself
// ignores SIGPIPE and SIGXFSZ, to report the failed write) stays ignored.
constexpr int kStopSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGALRM,
                                SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF};

bool arm(const std::string& path) {
  if (path.size() >= sizeof pending.path || pending.armed) return false;
  std::memcpy(pending.path, path.c_str(), path.size() + 1);
  pending.armed = 1;
  for (const int sig : kStopSignals) {
    struct sigaction now {
    }, before{};
    now.sa_handler = on_stop_signal;
    sigemptyset(&now.sa_mask);
    if (::sigaction(sig, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
      ::sigaction(sig, &now, nullptr);
  }
  return true;
}

void disarm() {
  pending.armed = 0;
  for (const int sig : kStopSignals) {
    struct sigaction before {};
    if (::sigaction(sig, nullptr, &before) == 0 && before.sa_handler == on_stop_signal)
      std::signal(sig, SIG_DFL);
  }
}

// The signals blocked while the new file is made and set aside for the
// handler, so that a stop in between leaves nothing behind.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t stop;
    sigemptyset(&stop);
    for (const int sig : kStopSignals) sigaddset(&stop, sig);
    ::sigprocmask(SIG_BLOCK, &stop, &before_);
  }
  ~SignalsHeld() { ::sigprocmask(SIG_SETMASK, &before_, nullptr); }

 private:
  sigset_t before_;
};

#endif

}  // namespace

// ---- DescriptorBuf ---------------------------------------------------------------

bool DescriptorBuf::drain() {
  const char* p = pbase();
  std::size_t left = static_cast<std::size_t>(pptr() - pbase());
  while (left > 0 && error_ == 0) {
#ifdef _WIN32
    const int n = _write(fd_, p, static_cast<unsigned>(left));
#else
    const ssize_t n = ::write(fd_, p, left);
#endif
    if (n > 0) {
      p += n;
      left -= static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      error_ = n < 0 ? errno : ENOSPC;
    }
  }
  setp(buf_, buf_ + sizeof buf_);  // after a failure, what follows is dropped
  return error_ == 0;
}

DescriptorBuf::int_type DescriptorBuf::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

// ---- ReplacedFile ----------------------------------------------------------------

bool ReplacedFile::fail(words::Tool what, const std::string& why) {
  error_ = say(what, {shown_, why});
  if (!new_path_.empty()) error_ += say(Tool::LeftAsItWas, {shown_});
  discard();
  stream_.setstate(std::ios::badbit);
  return false;
}

// 1. Find the file replaced: a link's target. 2. What is not a file on disk
// is written directly. 3. A file we may not write is not replaced behind its
// back. 4. Otherwise a new file is made beside it.
bool ReplacedFile::open() {
  std::error_code ec;
  const fs::path given = file_path(path_);
  fs::path target = followed(given, ec);
  if (ec) return fail(Tool::CannotWrite, words::system_error(ec.value(), language_));
  // Where it is, whatever the current folder: ReplaceFileW needs its folder.
  if (fs::path whole = fs::absolute(target, ec); !ec) target = std::move(whole);
  target_ = path_utf8(target);
  const fs::file_status st = fs::status(target, ec);
  const bool exists = fs::exists(st);
#ifdef _WIN32
  const std::wstring w = target.native();
  const HANDLE h = CreateFileW(w.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool on_disk = h == INVALID_HANDLE_VALUE || GetFileType(h) == FILE_TYPE_DISK;
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (!on_disk || (exists && !fs::is_regular_file(st) && !fs::is_directory(st))) {
    direct_ = true;
    fd_ = _wopen(w.c_str(), _O_WRONLY | _O_BINARY);
  } else if (fs::is_directory(st)) {
    return fail(Tool::CannotWrite, words::system_error(EISDIR, language_));
  } else if (exists && (GetFileAttributesW(w.c_str()) & FILE_ATTRIBUTE_READONLY)) {
    return fail(Tool::CannotWrite, say(Tool::ItIsReadOnly));
  } else {
    return open_new(target_);
  }
#else
  if (exists && !fs::is_regular_file(st)) {
    direct_ = true;
    fd_ = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  } else if (exists && ::access(target.c_str(), W_OK) != 0) {
    return fail(Tool::CannotWrite, words::system_error(errno, language_));
  } else {
    return open_new(target_);
  }
#endif
  if (fd_ < 0) return fail(Tool::CannotWrite, words::system_error(errno, language_));
  buf_.attach(fd_);
  return true;
}

bool ReplacedFile::open_new(const std::string& target) {
  const fs::path t = file_path(target);
  const fs::path folder = t.has_parent_path() ? t.parent_path() : fs::path(".");
#ifdef _WIN32
  int error = 0;
  new_path_ = create_beside(folder, path_utf8(t.filename()), fd_, error);
  if (new_path_.empty())
    return fail(Tool::CannotWrite, windows_reason(static_cast<DWORD>(error), language_));
  armed_ = arm(new_path_);
#else
  std::string pattern = (folder / (beside_name(t.filename().native()) + "XXXXXX")).native();
  const SignalsHeld held;
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  const int error = errno;
  // A file that is not there yet is created by the folder's leave: a folder
  // that refuses it is the folder's fault, not the file's.
  if (fd_ < 0 && (error == EACCES || error == EPERM || error == EROFS))
    return fail(Tool::CannotWrite, say(Tool::FolderNotWritable,
                                       {path_utf8(folder), words::system_error(error, language_)}));
  if (fd_ < 0) return fail(Tool::CannotWrite, words::system_error(error, language_));
  new_path_ = path_utf8(pattern);
  armed_ = arm(pattern);
#endif
  buf_.attach(fd_);
  return true;
}

void ReplacedFile::discard() {
  if (fd_ >= 0) {
#ifdef _WIN32
    _close(fd_);
#else
    ::close(fd_);
#endif
    fd_ = -1;
  }
  if (!new_path_.empty()) {
    std::error_code ec;
    fs::remove(file_path(new_path_), ec);
    new_path_.clear();
  }
  if (armed_) disarm();
  armed_ = false;
}

// 1. Write what is buffered. 2. Give the new file OUT's permissions. 3. Flush
// it to the disk and close it: a failure here is a failed write. 4. Swap it in.
bool ReplacedFile::commit() {
  if (fd_ < 0) return false;
  stream_.flush();
  if (!buf_.drain() || !stream_)
    return fail(Tool::WritingFileFailed,
                words::system_error(buf_.error() ? buf_.error() : EIO, language_));
  if (direct_) {
    discard();
    return true;
  }
#ifdef _WIN32
  if (_commit(fd_) != 0)
    return fail(Tool::WritingFileFailed, words::system_error(errno, language_));
  const int closed = _close(fd_);
#else
  struct stat old {};
  if (::stat(native(target_).c_str(), &old) == 0) {
    if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
      // Only root may give a file away: ours it stays, as a new file would be.
    }
    ::fchmod(fd_, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
  if (::fsync(fd_) != 0)
    return fail(Tool::WritingFileFailed, words::system_error(errno, language_));
  const int closed = ::close(fd_);
#endif
  fd_ = -1;
  if (closed != 0) return fail(Tool::WritingFileFailed, words::system_error(errno, language_));
  if (!put_in_place()) return false;
  new_path_.clear();
  if (armed_) disarm();
  armed_ = false;
  return true;
}

bool ReplacedFile::put_in_place() {
#ifdef _WIN32
  const std::wstring to = wide(target_), from = wide(new_path_);
  // A file another program holds without letting it go (Excel, a viewer)
  // cannot be replaced: asked first, as a failed ReplaceFileW may leave a
  // file of its own behind.
  const HANDLE probe =
      CreateFileW(to.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
    return fail(Tool::CannotReplace, windows_reason(ERROR_SHARING_VIOLATION, language_));
  if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
  if (ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                   REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                   nullptr))
    return true;
  DWORD error = GetLastError();
  // Absent (or removed since): there is nothing to keep, the new file is moved.
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    error = GetLastError();
  }
  return fail(Tool::CannotReplace, windows_reason(error, language_));
#else
  if (::rename(native(new_path_).c_str(), native(target_).c_str()) != 0)
    return fail(Tool::CannotReplace, words::system_error(errno, language_));
  // The rename itself on the disk: the folder's entry (best effort; some
  // file systems cannot sync a folder).
  const fs::path to = file_path(target_);
  const fs::path folder = to.has_parent_path() ? to.parent_path() : fs::path(".");
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
#endif
}

}  // namespace korvane::cli
