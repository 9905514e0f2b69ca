// Reading and converting the texts the worksheet functions are given.
//
// Worksheet values are UTF-16, as COM, Excel and Calc hand them over; the
// command-line tool, the protocol and the bet books speak UTF-8. Everything
// here is shared by the core and every front end, so that a text, a space or a
// number is read the same way whichever program passed it:
//  - UTF-8 <-> UTF-16: a byte that opens no well-formed UTF-8 sequence becomes
//    U+FFFD, one for each such byte; a lone surrogate is written to UTF-8 as
//    U+FFFD (the protocol's encoder alone keeps it, as a \u escape);
//  - spaces: VB's Trim$ cuts U+0020 only; the bet lists also cut the
//    ideographic space that a Chinese input method types;
//  - numbers: numeric coercion of a text (strict: the whole text is one
//    number) and the leading-number value (VB's Val: the longest numeric
//    prefix, never failing);
//  - the Chinese numerals the bet types spell their counts with (平特二尾).
//
// None of it allocates but the conversions themselves, and every function is
// linear in its input.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// ---- UTF-8 and UTF-16 -----------------------------------------------------------

std::u16string to_utf16(std::string_view utf8);
std::string to_utf8(std::u16string_view utf16);

// Appends one Unicode scalar value (not a surrogate, at most U+10FFFF) as UTF-8.
void append_utf8(std::string& out, char32_t c);

// The offset of the first byte of s that opens no well-formed UTF-8 sequence
// (a stray continuation byte, an overlong form, a surrogate, a value above
// U+10FFFF, or a sequence cut short), or npos when s is all UTF-8.
std::size_t invalid_utf8_at(std::string_view s) noexcept;
inline bool is_utf8(std::string_view s) noexcept {
  return invalid_utf8_at(s) == std::string_view::npos;
}

// The well-formed UTF-8 sequence that starts at s[i] (i < s.size()): its
// length, with its value in cp; 0 (cp untouched) when none starts there.
std::size_t utf8_sequence_at(std::string_view s, std::size_t i, char32_t& cp) noexcept;

// The length of the longest prefix of s that does not end inside a UTF-8
// sequence: text written a piece at a time holds back a character cut between
// two pieces until its other bytes come. A malformed end is not held.
std::size_t utf8_whole_prefix(std::string_view s) noexcept;

// The length of the UTF-8 sequence a lead byte opens (1 to 4), or 0 for a byte
// that opens none (a continuation byte, C0, C1, F5 to FF).
constexpr std::size_t utf8_sequence_length(unsigned char lead) noexcept {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// ---- characters and spaces ----------------------------------------------------

constexpr bool is_digit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

// s without the spaces (U+0020) at either end, as VB's Trim$ cuts them; tabs
// and other blanks stay.
std::u16string_view trim(std::u16string_view s) noexcept;

// s without leading and trailing spaces, U+0020 and the ideographic U+3000.
std::u16string_view trim_spaces(std::u16string_view s) noexcept;

// ---- numbers -----------------------------------------------------------------

// Numeric coercion of a text: optional spaces around, an optional sign, digits
// with at most one ".", an optional exponent. Anything else fails (the empty
// text and spaces alone included; &H / &O too), and so does a number beyond
// the range of a Double.
std::optional<double> parse_number(std::u16string_view s) noexcept;

// The leading-number value of a text (VB's Val): never fails. Blanks (space,
// tab, line feed) are passed over anywhere, also inside the number ("1 2" is
// 12); the longest prefix that reads as a number counts, and &H / &O read
// hexadecimal and octal, as 16- or 32-bit two's complement when they fit.
double leading_number(std::u16string_view s) noexcept;

// ---- Chinese numerals ---------------------------------------------------------

// The numerals a bet type spells its count with: 平特二尾 needs two tails.
inline constexpr std::u16string_view kChineseNumerals = u"一二三四";

// The count one character of a bet type spells: 一 .. 四 give 1 .. 4. The empty
// text, which a position beyond the end of a short bet type reads as, gives 1,
// as the sheets have it (they look the character up in 一二三四, where the
// empty text is found at the very start). Nothing for any other character.
std::optional<int> numeral_count(std::u16string_view c) noexcept;

}  // namespace korvane
