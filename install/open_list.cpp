#include "install/open_list.h"

#include <algorithm>

namespace korvane::install {
namespace {

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool same_ignoring_case(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

bool ends_with_ignoring_case(std::u16string_view s, std::u16string_view tail) {
  return s.size() >= tail.size() && same_ignoring_case(s.substr(s.size() - tail.size()), tail);
}

bool contains_ignoring_case(std::u16string_view s, std::u16string_view part) {
  for (std::size_t i = 0; i + part.size() <= s.size(); ++i) {
    if (same_ignoring_case(s.substr(i, part.size()), part)) return true;
  }
  return false;
}

}  // namespace

std::u16string xll_entry(std::u16string_view path) {
  return u"/R \"" + std::u16string(path) + u"\"";
}

std::u16string open_value_name(std::size_t i) {
  if (i == 0) return u"OPEN";
  std::u16string name = u"OPEN";
  for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
  return name;
}

bool is_ours(std::u16string_view entry) {
  if (same_ignoring_case(entry, kAutomationEntry)) return true;
  return entry.starts_with(u"/R \"") && ends_with_ignoring_case(entry, u"\\korvane.xll\"") &&
         contains_ignoring_case(entry, u"\\Korvane\\");
}

std::vector<std::u16string> without_ours(std::vector<std::u16string> list) {
  std::erase_if(list, [](const std::u16string& e) { return is_ours(e); });
  return list;
}

std::vector<std::u16string> with_ours(std::vector<std::u16string> list, std::u16string_view entry) {
  const auto ours =
      std::count_if(list.begin(), list.end(), [](const std::u16string& e) { return is_ours(e); });
  if (ours == 1 && std::find(list.begin(), list.end(), entry) != list.end())
    return list;  // in place
  list = without_ours(std::move(list));
  list.emplace_back(entry);
  return list;
}

}  // namespace korvane::install
