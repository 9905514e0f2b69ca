// Excel's OPEN list: reading an entry as Excel does, and our entry's place.
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

bool is_space(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trimmed(std::u16string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string_view unquoted(std::u16string_view s) {
  s = trimmed(s);
  if (!s.empty() && s.front() == u'"') s.remove_prefix(1);
  if (!s.empty() && s.back() == u'"') s.remove_suffix(1);
  return trimmed(s);
}

// The loaded values as a list, and the rest.
std::vector<OpenValue> loaded(const OpenValues& values) {
  std::vector<OpenValue> out;
  for (std::size_t i = 0; values.contains(i); ++i) out.push_back(values.at(i));
  return out;
}

// The values with the loaded part replaced: the values past the gap move by
// as many places as the loaded part grew or shrank, so that the gap before
// them stays; any of ours among them is dropped (Excel does not load it, and
// it names an installation that is going or gone).
OpenValues rejoined(const OpenValues& before, const std::vector<OpenValue>& now,
                    const OurXll& our_xll) {
  const std::size_t was = loaded_count(before);
  OpenValues out;
  for (std::size_t i = 0; i < now.size(); ++i) out[i] = now[i];
  for (const auto& [number, value] : before) {
    if (number <= was || is_ours(value.text, our_xll)) continue;
    out[number - was + now.size()] = value;
  }
  return out;
}

}  // namespace

std::u16string xll_entry(std::u16string_view path) {
  return u"/R \"" + std::u16string(path) + u"\"";
}

std::u16string open_value_name(std::size_t i) {
  std::u16string name = u"OPEN";
  if (i == 0) return name;
  for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
  return name;
}

long open_value_number(std::u16string_view name) {
  if (name.size() < 4 || !same_ignoring_case(name.substr(0, 4), u"OPEN")) return -1;
  const std::u16string_view digits = name.substr(4);
  if (digits.empty()) return 0;
  // OPEN1 ... OPEN999999: Excel numbers them without leading zeros.
  if (digits.size() > 6 || digits.front() == u'0') return -1;
  long n = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return -1;
    n = n * 10 + (c - u'0');
  }
  return n;
}

Target target_of(std::u16string_view entry) {
  Target t;
  std::u16string_view rest = trimmed(entry);
  // The switches: /A for an automation add-in, /R (read-only) and others
  // for a file; each a slash and letters, before the name.
  while (!rest.empty() && rest.front() == u'/') {
    std::size_t end = 1;
    while (end < rest.size() && !is_space(rest[end]) && rest[end] != u'"') ++end;
    if (same_ignoring_case(rest.substr(0, end), u"/A")) t.automation = true;
    rest = trimmed(rest.substr(end));
  }
  t.name = std::u16string(unquoted(rest));
  return t;
}

std::u16string excel_version(std::u16string_view text) {
  const auto digits = [&](std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && text[end] >= u'0' && text[end] <= u'9') ++end;
    return end;
  };
  const std::size_t major = digits(0);
  if (major == 0 || major >= text.size() || text[major] != u'.') return {};
  const std::size_t minor = digits(major + 1);
  if (minor == major + 1 || (minor < text.size() && text[minor] != u'.')) return {};
  return std::u16string(text.substr(0, minor));
}

bool in_our_folder(std::u16string_view path) {
  return ends_with_ignoring_case(path, u"\\korvane.xll") &&
         contains_ignoring_case(path, u"\\Korvane\\");
}

bool is_ours(std::u16string_view entry, const OurXll& our_xll) {
  const Target t = target_of(entry);
  if (t.automation) return same_ignoring_case(t.name, kProgId);
  return !t.name.empty() && ends_with_ignoring_case(t.name, u".xll") && our_xll(t.name);
}

std::vector<std::u16string> without_ours(std::vector<std::u16string> list, const OurXll& our_xll) {
  std::erase_if(list, [&](const std::u16string& e) { return is_ours(e, our_xll); });
  return list;
}

std::vector<std::u16string> with_ours(std::vector<std::u16string> list, std::u16string_view entry,
                                      const OurXll& our_xll) {
  const auto ours = std::count_if(list.begin(), list.end(),
                                  [&](const std::u16string& e) { return is_ours(e, our_xll); });
  if (ours == 1 && std::find(list.begin(), list.end(), entry) != list.end())
    return list;  // in place
  list = without_ours(std::move(list), our_xll);
  list.emplace_back(entry);
  return list;
}

std::size_t loaded_count(const OpenValues& values) {
  std::size_t n = 0;
  while (values.contains(n)) ++n;
  return n;
}

bool loads_ours(const OpenValues& values, const OurXll& our_xll) {
  const std::vector<OpenValue> list = loaded(values);
  return std::any_of(list.begin(), list.end(),
                     [&](const OpenValue& v) { return is_ours(v.text, our_xll); });
}

OpenValues with_ours(const OpenValues& values, std::u16string_view entry, const OurXll& our_xll) {
  std::vector<OpenValue> list = loaded(values);
  const auto ours = std::count_if(list.begin(), list.end(),
                                  [&](const OpenValue& v) { return is_ours(v.text, our_xll); });
  const bool in_place = ours == 1 && std::any_of(list.begin(), list.end(), [&](const OpenValue& v) {
                          return v.text == entry;
                        });
  if (!in_place) {
    std::erase_if(list, [&](const OpenValue& v) { return is_ours(v.text, our_xll); });
    list.push_back({std::u16string(entry), false});
  }
  return rejoined(values, list, our_xll);
}

OpenValues without_ours(const OpenValues& values, const OurXll& our_xll) {
  std::vector<OpenValue> list = loaded(values);
  std::erase_if(list, [&](const OpenValue& v) { return is_ours(v.text, our_xll); });
  return rejoined(values, list, our_xll);
}

}  // namespace korvane::install
