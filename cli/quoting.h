// Quoting a text in a message: a name the user gave, an option, a command,
// a function no row names. Every message of the tool quotes the same way, so
// that a message stays readable whatever was given: its first kQuotedMax
// characters only, then "...", never cutting a character. A control
// character the user's input holds (an escape that would recolour the
// terminal, a NUL, a line feed) is shown escaped (\x1b, \0, \n), never
// written as it is.
//
// This room knows texts only; the protocol, the settler and the command line
// quote through it. It touches nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::cli {

inline constexpr std::size_t kQuotedMax = 80;

// The text in double quotes, cut to its first kQuotedMax characters.
std::string quoted_text(std::string_view utf8);

// The text whole and unquoted, its control characters escaped as
// quoted_text escapes them: a file name in a report.
std::string escaped_text(std::string_view utf8);

// The text cut as quoted_text cuts it (never between the halves of a
// surrogate pair), for a message that puts its own quotes around it.
std::u16string quotable(std::u16string_view s);

}  // namespace korvane::cli
