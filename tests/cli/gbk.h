// The GB18030 (GBK) bytes of a text, as Excel on a Chinese Windows saves a
// book: the bet-book tests write their books in it.
#pragma once

#include <string>
#include <string_view>

#include "cli/encoding.h"
#include "core/text.h"

namespace korvane::cli::book {

inline std::string gbk(std::string_view utf8) {
  Gb18030 gb;
  std::string out;
  gb.encode(to_utf16(utf8), out);
  return out;
}

}  // namespace korvane::cli::book
