// Text encodings at the edges of the korvane tool.
//
// Bet books come from Excel on a Chinese Windows, which saves a CSV file in
// the ANSI code page (GBK, read here as its superset GB18030), or in UTF-8
// when "CSV UTF-8" is chosen. Inside, every text is UTF-16 as the worksheet
// functions see it. All conversion to and from the Chinese code page lives in
// encoding.cpp: iconv on Linux, the Windows code-page functions on Windows.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::cli {

// Converts between GB18030 bytes and UTF-16. Holds the converter state of one
// book; not shared between threads.
class Gb18030 {
 public:
  Gb18030();
  ~Gb18030();
  Gb18030(const Gb18030&) = delete;
  Gb18030& operator=(const Gb18030&) = delete;

  // False when the platform has no GB18030 converter.
  bool ready() const noexcept;

  // Appends the text of bytes to out. False when bytes are not GB18030 text;
  // out is then left as it was.
  bool decode(std::string_view bytes, std::u16string& out);

  // Appends the GB18030 bytes of text to out. Every character has them; a
  // lone surrogate (which no decoded book can hold) becomes '?'.
  void encode(std::u16string_view text, std::string& out);

 private:
#ifdef _WIN32
  unsigned code_page_ = 0;
#else
  void* to_utf16_ = nullptr;    // iconv_t
  void* from_utf16_ = nullptr;  // iconv_t
#endif
};

// Checks a byte stream for UTF-8, block by block: a sequence may be split
// between blocks.
class Utf8Check {
 public:
  void feed(std::string_view block);
  // Ends the stream; true when every byte fed was well-formed UTF-8.
  bool finish();
  bool failed() const noexcept { return failed_; }

 private:
  std::string carry_;  // an incomplete sequence at the end of the last block
  bool failed_ = false;
};

// The words of the command line (argv[1] on) as UTF-8. Windows hands a
// narrow main() the ANSI code page. Linux hands over the bytes typed, in the
// locale's encoding: under a GB18030, GBK or GB2312 locale they are read as
// GB18030 (word_from_gb18030), so that 平特几肖 typed there names the function;
// elsewhere they are UTF-8 already.
std::vector<std::string> command_line_words(int argc, char** argv);

// A word in GB18030 as UTF-8, and back. Every character whose bytes come back
// the same from its UTF-8 is read; any other byte (a name saved in UTF-8 by
// another program, a stray byte) is kept as it is. Such a byte never forms a
// UTF-8 sequence with what follows it, so word_to_gb18030 gives back exactly
// the bytes word_from_gb18030 was given: a file name typed on the terminal
// reaches the file system as the bytes it holds there.
std::string word_from_gb18030(std::string_view bytes, Gb18030& converter);
std::string word_to_gb18030(std::string_view utf8, Gb18030& converter);

// A file name given as UTF-8 (a word of command_line_words) as a path, and
// back. On Windows the path is the wide text of the name: a narrow path would
// go through the C library's own idea of the code page, which is neither the
// ANSI one nor UTF-8, and a Chinese name would come out as other characters.
// Elsewhere a path is the name's bytes in the locale's encoding, as the
// command line gave them.
std::filesystem::path file_path(const std::string& utf8);
std::string path_utf8(const std::filesystem::path& path);

// Lets a Windows console show the UTF-8 the tool writes. Nothing elsewhere.
void use_utf8_console();

// Makes standard output write bytes as they are: Windows would otherwise turn
// every line feed into a carriage return and line feed. Nothing elsewhere.
void binary_stdout();

// Makes standard input read bytes as they are: Windows would otherwise drop
// the carriage return of every line end, and stop at a Ctrl-Z byte. Nothing
// elsewhere.
void binary_stdin();

}  // namespace korvane::cli
