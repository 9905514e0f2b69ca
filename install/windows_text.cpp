// What korvane.exe's installer says, and how (windows_text.h).
#include "install/windows_text.h"

#include "core/text.h"
#include "words/language.h"

namespace korvane::install {

std::wstring wide(std::u16string_view s) { return {s.begin(), s.end()}; }
std::u16string narrow16(std::wstring_view s) { return {s.begin(), s.end()}; }
std::string utf8(std::wstring_view s) { return to_utf8(narrow16(s)); }
std::string utf8(const std::wstring& s) { return utf8(std::wstring_view(s)); }
std::string utf8(const std::filesystem::path& p) { return utf8(std::wstring_view(p.native())); }

// The user's Windows display language, chosen once as the tool's is.
Language language() { return words::user_language(); }

std::string text(Say what, std::initializer_list<std::string_view> args) {
  return words(what, language(), args);
}

std::string reason(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring s = n ? std::wstring(buffer, n) : L"error " + std::to_wstring(code);
  LocalFree(buffer);
  while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r' || s.back() == L'.' ||
                        s.back() == L' ' || s.back() == L'。'))
    s.pop_back();
  return utf8(s);
}

std::string reason(const std::error_code& ec) {
  if (ec.category() == std::system_category()) return reason(static_cast<DWORD>(ec.value()));
  return ec.message() + " (errno " + std::to_string(ec.value()) + ")";
}

}  // namespace korvane::install
