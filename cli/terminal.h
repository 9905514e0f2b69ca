// The settled book on a terminal, as text the person at it can read.
//
// A settled book is written in the book's own encoding, byte for byte, so
// that a file or a pipe gets what Excel saved. A terminal is no file: a GBK
// book shown on a UTF-8 terminal is mojibake. When standard output is a
// terminal, the book is shown in the terminal's encoding instead: on Linux the
// locale's codeset (UTF-8, or GB18030 on a terminal set to GBK), on Windows the
// console's own wide-character output, which shows Chinese whatever its code
// page.
#pragma once

#include <memory>
#include <optional>
#include <streambuf>

#include "cli/book_reader.h"

namespace korvane::cli {

// Holds each of the three standard descriptors that is closed (a script's
// >&- or <&-) with /dev/null opened the other way round: the next file
// opened would otherwise take its number, and the reports written to
// standard error would go into the settled book's new file. Reading or
// writing a held stream still fails and is reported. Call first thing.
// Nothing on Windows.
void hold_the_standard_descriptors();

// Whether standard output is a terminal (a console on Windows).
bool stdout_is_terminal();

// The encoding a terminal shows text in, from its codeset (nl_langinfo's
// name): UTF-8 or GB18030; UTF-8 for any other, as a terminal that shows no
// Chinese shows no GBK either.
book::Encoding terminal_encoding(std::string_view codeset);

// The encoding of the locale's codeset: GB18030 under a GBK, GB2312 or
// GB18030 locale, UTF-8 under any other and on Windows (whose console takes
// wide text).
book::Encoding locale_encoding();

// The encoding to show the settled book in on this run's standard output
// when it is a terminal; nullopt when it is a file or a pipe.
std::optional<book::Encoding> screen_encoding();

// On Windows, a buffer that writes UTF-8 to the console on standard output
// as UTF-16 (WriteConsoleW); null where standard output is no console, and on
// every other system.
std::unique_ptr<std::streambuf> console_output();

}  // namespace korvane::cli
