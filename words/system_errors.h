// The system's reasons for a failed file or stream operation, in the user's
// language.
//
// A report such as "cannot open 账本.csv: ..." ends with why the system
// refused: the C library's strerror text, which is English whatever the
// user reads (the tool never sets LC_MESSAGES, so that numbers and bytes stay
// as they are). The errno values a settling run meets (a missing or locked
// file, a full or read-only disk, a name too long) are kept here as a table
// in both languages; any other value falls back to the C library's text.
#pragma once

#include <string>

#include "words/language.h"

namespace korvane::words {

// The reason of an errno value in a language: the table's sentence, else
// strerror's. Never empty.
std::string system_error(int error_number, Language language);

// Whether error_number has a sentence of its own in the table.
bool has_system_error_sentence(int error_number);

}  // namespace korvane::words
