// The tool's words in the encoding of the user's locale.
//
// Everything the tool writes for a person (reports, usage, help, --help, the
// summary) is made as UTF-8. A Chinese terminal set to GBK or GB18030 shows
// those bytes as mojibake, so under a locale whose codeset is not UTF-8 both
// standard streams get one writer that says the UTF-8 in the locale's
// encoding. A character the encoding lacks comes out as '?', never as a
// failed write. This is the one place that conversion happens: a command
// writes its words to std::cout and std::cerr and never thinks of it.
//
// What a program reads is bytes and stays so: the settled book (in the
// book's encoding, or the terminal's when it is shown), eval's answers and
// call --json go to bytes_out(), standard output without the conversion.
// The Windows console takes wide text (see terminal.h) and is left alone.
#pragma once

#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "cli/encoding.h"

namespace korvane::cli {

// A buffer that writes the UTF-8 it is given to target as GB18030, whole
// characters at a time (a character split between two writes is finished by
// the next). Malformed UTF-8 comes out as '?'.
class Gb18030Writer final : public std::streambuf {
 public:
  explicit Gb18030Writer(std::streambuf* target) : target_(target) {}
  ~Gb18030Writer() override;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool write(bool all);

  std::streambuf* target_;
  std::string pending_;
  Gb18030 converter_;
};

// Puts the locale's encoding on std::cout and std::cerr when its codeset is
// not UTF-8 (and the system can convert to it). Call once, before anything
// is written.
void speak_the_locale_encoding();

// Standard output as bytes, past any conversion.
std::ostream& bytes_out();

}  // namespace korvane::cli
