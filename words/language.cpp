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

Language language_of_locale(std::string_view lc_all, std::string_view lc_messages,
                            std::string_view lang) {
  // 1. The first setting given decides, as gettext takes it.
  std::string_view locale = !lc_all.empty() ? lc_all : !lc_messages.empty() ? lc_messages : lang;
  // 2. Its language is what comes before the territory, codeset or modifier
  //    ("zh_CN.UTF-8", "zh_TW", "zh.GBK", "zh@pinyin").
  locale = locale.substr(0, locale.find_first_of("_.@"));
  return locale == "zh" ? Language::Chinese : Language::English;
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
  return language_of_locale(setting("LC_ALL"), setting("LC_MESSAGES"), setting("LANG"));
#endif
}

}  // namespace

Language user_language() {
  static const Language language = chosen();
  return language;
}

}  // namespace korvane::words
