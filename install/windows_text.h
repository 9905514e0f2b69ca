// What korvane.exe's installer says, and how: the user's language, the
// conversions between Windows' UTF-16 and the UTF-8 of the sentences, and the
// reason for a failure in words. A Windows error code and a C library errno
// are different numbers (errno 18 is "not the same device", Windows error 18
// "no more files"), so each is put into words by its own kind.
#pragma once

#include <windows.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <system_error>

#include "install/messages.h"

namespace korvane::install {

std::wstring wide(std::u16string_view s);
std::u16string narrow16(std::wstring_view s);
std::string utf8(std::wstring_view s);
std::string utf8(const std::wstring& s);
std::string utf8(const std::filesystem::path& p);

// The user's Windows display language.
Language language();

// A sentence of messages.h in the user's language.
std::string text(Say what, std::initializer_list<std::string_view> args = {});

// Windows' own sentence for a Windows error code, in the user's language.
std::string reason(DWORD code);

// The sentence for an error of either kind: a Windows error code (the
// system category) through Windows, an errno (the generic category) through
// the C library.
std::string reason(const std::error_code& ec);

}  // namespace korvane::install
