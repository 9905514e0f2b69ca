// The two languages Korvane speaks to a person, and the tables its sentences
// are kept in.
//
// Korvane's users are Chinese bookkeepers, and some read English. Every
// sentence the tool or the installer writes for a person is a row of a table:
// an enum names the sentence, the row gives it in English and in Simplified
// Chinese. A sentence names what it is about through {1}, {2}, ... (a file, a
// line number), filled in when it is said. A table is checked when it is
// compiled: one row a sentence, in the order of its enum, neither language
// empty, and the same blanks in both, so that no translation can be missing or
// drop the file it is about.
//
// The language is chosen once per run: on Linux from the locale, as gettext
// chooses (LC_ALL, then LC_MESSAGES, then LANG; "zh..." is Chinese); on
// Windows from the user's display language. Anything else is English, and so
// is the C locale: LC_ALL=C gives a script English.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace korvane::words {

enum class Language { English, Chinese };

// One sentence of the table of Say.
template <class Say>
struct Row {
  Say what;
  std::string_view english;
  std::string_view chinese;
};

// How often each blank {1} ... {9} appears in a sentence.
constexpr std::array<int, 9> blanks(std::string_view s) {
  std::array<int, 9> count{};
  for (std::size_t i = 0; i + 2 < s.size(); ++i) {
    if (s[i] == '{' && s[i + 1] >= '1' && s[i + 1] <= '9' && s[i + 2] == '}')
      ++count[static_cast<std::size_t>(s[i + 1] - '1')];
  }
  return count;
}

// Whether the rows hold every sentence of Say (whose last enumerator is
// Count_), in its order, in both languages, with the same blanks.
template <class Say, std::size_t N>
constexpr bool complete(const Row<Say> (&rows)[N]) {
  if (N != static_cast<std::size_t>(Say::Count_)) return false;
  for (std::size_t i = 0; i < N; ++i) {
    const Row<Say>& r = rows[i];
    if (static_cast<std::size_t>(r.what) != i) return false;
    if (r.english.empty() || r.chinese.empty()) return false;
    if (blanks(r.english) != blanks(r.chinese)) return false;
  }
  return true;
}

// The sentence of what in a language, as written in its table.
template <class Say, std::size_t N>
constexpr std::string_view pick(const Row<Say> (&rows)[N], Say what, Language language) {
  const Row<Say>& r = rows[static_cast<std::size_t>(what)];
  return language == Language::Chinese ? r.chinese : r.english;
}

// The sentence with {n} replaced by the n-th of args. A value is put in as it
// is (braces in a file name are not blanks); a blank without its value stays
// visible rather than vanishing.
std::string fill(std::string_view sentence, std::initializer_list<std::string_view> args);

// The language of a locale's settings, as gettext reads them: the first of
// LC_ALL, LC_MESSAGES, LANG that is set and not empty names the locale; unless
// that locale is C or POSIX (exactly: C.UTF-8 is another), the list in LANGUAGE ("en_GB:zh_CN")
// comes first, its first Chinese or English entry deciding (C and POSIX there
// are English; the tool has no words in the others, and gettext passes over
// a language it has no words in).
Language language_of_locale(std::string_view lc_all, std::string_view lc_messages,
                            std::string_view lang, std::string_view language_list = {});

// The user's language, read once per run: the locale's on Linux, the display
// language's on Windows.
Language user_language();

}  // namespace korvane::words
