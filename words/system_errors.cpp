// The table of errno values and their sentences (see system_errors.h). A
// value some C library lacks (mingw's has no EDQUOT) is left out there.
#include "words/system_errors.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace korvane::words {
namespace {

struct ErrorRow {
  int error_number;
  std::string_view english;
  std::string_view chinese;
};

// The Chinese follows the wording of Chinese Windows' own file messages.
constexpr ErrorRow kErrors[] = {
    {ENOENT, "No such file or directory", "没有那个文件或文件夹"},
    {EACCES, "Permission denied", "权限不够"},
    {EPERM, "Operation not permitted", "不允许的操作"},
    {EISDIR, "Is a directory", "这是一个文件夹"},
    {ENOTDIR, "Not a directory", "路径中有一部分不是文件夹"},
    {ENOSPC, "No space left on device", "磁盘空间不足"},
#ifdef EDQUOT
    {EDQUOT, "Disk quota exceeded", "超出磁盘配额"},
#endif
    {EROFS, "Read-only file system", "只读文件系统"},
    {EFBIG, "File too large", "文件过大"},
    {EIO, "Input/output error", "输入/输出错误"},
    {EEXIST, "File exists", "文件已存在"},
    {EMFILE, "Too many open files", "打开的文件过多"},
    {ENFILE, "Too many open files in system", "系统中打开的文件过多"},
    {ENAMETOOLONG, "File name too long", "文件名过长"},
#ifdef ELOOP
    {ELOOP, "Too many levels of symbolic links", "符号链接层数过多"},
#endif
    {EBUSY, "Device or resource busy", "设备或资源忙"},
#ifdef ETXTBSY
    {ETXTBSY, "Text file busy", "文件正被执行"},
#endif
    {EXDEV, "Invalid cross-device link", "不能跨设备移动"},
    {ENOMEM, "Cannot allocate memory", "内存不足"},
    {EINVAL, "Invalid argument", "无效的参数"},
    {EPIPE, "Broken pipe", "管道已断开"},
    {EAGAIN, "Resource temporarily unavailable", "资源暂时不可用"},
    {EINTR, "Interrupted system call", "系统调用被中断"},
    {EBADF, "Bad file descriptor", "无效的文件描述符"},
    {ENXIO, "No such device or address", "没有那个设备或地址"},
    {ENODEV, "No such device", "没有那个设备"},
};

constexpr bool complete_errors() {
  for (const ErrorRow& r : kErrors)
    if (r.english.empty() || r.chinese.empty()) return false;
  return true;
}
static_assert(complete_errors(), "every errno of the table has both sentences");

const ErrorRow* find(int error_number) {
  for (const ErrorRow& r : kErrors)
    if (r.error_number == error_number) return &r;
  return nullptr;
}

}  // namespace

std::string system_error(int error_number, Language language) {
  if (const ErrorRow* r = find(error_number))
    return std::string(language == Language::Chinese ? r->chinese : r->english);
  const char* text = std::strerror(error_number);
  return text && *text ? text : "error " + std::to_string(error_number);
}

bool has_system_error_sentence(int error_number) { return find(error_number) != nullptr; }

}  // namespace korvane::words
