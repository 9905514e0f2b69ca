// Filling a sentence's blanks, and choosing the user's language.
#include "words/language.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace korvane::words {

std::string fill(std::string_view sentence, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(sentence.size());
  for (std::size_t i = 0; i < sentence.size(); ++i) {
    const bool blank = sentence[i] == '{' && i + 2 < sentence.size() && sentence[i + 1] >= '1' &&
                       sentence[i + 1] <= '9' && sentence[i + 2] == '}';
    const std::size_t n = blank ? static_cast<std::size_t>(sentence[i + 1] - '1') : 0;
    if (blank && n < args.size()) {
      out += *(args.begin() + n);
      i += 2;
    } else {
      out += sentence[i];
    }
  }
  return out;
}

namespace {

// A locale's language is what comes before the territory, codeset or
// modifier ("zh_CN.UTF-8", "zh_TW", "zh.GBK", "zh@pinyin").
std::string_view language_part(std::string_view locale) {
  return locale.substr(0, locale.find_first_of("_.@"));
}

}  // namespace

Language language_of_locale(std::string_view lc_all, std::string_view lc_messages,
                            std::string_view lang, std::string_view language_list) {
  // 1. The first setting given names the locale, as gettext takes it.
  const std::string_view locale = !lc_all.empty()        ? lc_all
                                  : !lc_messages.empty() ? lc_messages
                                                         : lang;
  const std::string_view named = language_part(locale);
  // 2. Under a locale other than C (C.UTF-8 is another), LANGUAGE's first
  //    Chinese or English entry decides.
  const bool plain_c = locale.empty() || locale == "C" || locale == "POSIX";
  while (!plain_c && !language_list.empty()) {
    const std::size_t colon = language_list.find(':');
    const std::string_view entry = language_part(language_list.substr(0, colon));
    if (entry == "zh") return Language::Chinese;
    // C and POSIX in the list ask for the program's own words: English.
    if (entry == "en" || entry == "C" || entry == "POSIX") return Language::English;
    language_list.remove_prefix(colon == std::string_view::npos ? language_list.size() : colon + 1);
  }
  // 3. Otherwise the locale's own language.
  return named == "zh" ? Language::Chinese : Language::English;
}

namespace {

Language chosen() {
#ifdef _WIN32
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE ? Language::Chinese
                                                                   : Language::English;
#else
  auto setting = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string_view(value ? value : "");
  };
  return language_of_locale(setting("LC_ALL"), setting("LC_MESSAGES"), setting("LANG"),
                            setting("LANGUAGE"));
#endif
}

}  // namespace

Language user_language() {
  static const Language language = chosen();
  return language;
}

}  // namespace korvane::words
