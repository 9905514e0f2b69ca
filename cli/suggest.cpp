// Nearest names by edit distance, for the "did you mean" of a usage error.
#include "cli/suggest.h"

#include <algorithm>

#include "cli/quoting.h"
#include "core/custom_functions.h"
#include "core/text.h"
#include "words/tool.h"

namespace korvane::cli {
namespace {

char16_t folded(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

// The optimal-string-alignment distance: Levenshtein's, with a swap of two
// neighbouring characters counted as one edit. Names are short; the given
// text is cut to a bound first, so this never grows with what was typed.
std::size_t distance(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = a.size(), m = b.size();
  std::vector<std::size_t> d((n + 1) * (m + 1));
  auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * (m + 1) + j]; };
  for (std::size_t i = 0; i <= n; ++i) at(i, 0) = i;
  for (std::size_t j = 0; j <= m; ++j) at(0, j) = j;
  for (std::size_t i = 1; i <= n; ++i) {
    for (std::size_t j = 1; j <= m; ++j) {
      const std::size_t cost = folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1;
      at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
      if (i > 1 && j > 1 && folded(a[i - 1]) == folded(b[j - 2]) &&
          folded(a[i - 2]) == folded(b[j - 1]))
        at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
    }
  }
  return at(n, m);
}

// Longest text compared: far longer than any name, so a pasted paragraph costs
// no more than this.
constexpr std::size_t kCompared = 64;

}  // namespace

std::vector<std::string> nearest(std::string_view given,
                                 const std::vector<std::string>& candidates) {
  std::u16string g = to_utf16(given);
  if (g.size() > kCompared) return {};
  // One edit in three characters, at least one and at most three.
  const std::size_t limit = std::clamp<std::size_t>((g.size() + 2) / 3, 1, 3);
  std::size_t best = limit + 1;
  std::vector<std::string> out;
  for (const std::string& c : candidates) {
    const std::u16string name = to_utf16(c);
    const std::size_t dist = distance(g, name);
    if (dist >= name.size() || dist > best) continue;
    if (dist < best) out.clear();
    best = dist;
    out.push_back(c);
  }
  return out;
}

std::string did_you_mean(std::string_view given, const std::vector<std::string>& candidates,
                         std::string_view prefix, words::Language language) {
  const std::vector<std::string> near = nearest(given, candidates);
  if (near.empty()) return {};
  const bool chinese = language == words::Language::Chinese;
  std::string names;
  for (std::size_t i = 0; i < near.size(); ++i) {
    if (i)
      names += i + 1 == near.size() ? words::sentence(words::Tool::Or, language)
               : chinese            ? "、"
                                    : ", ";
    names += prefix;
    names += near[i];
  }
  return words::say(words::Tool::DidYouMean, language, {names});
}

bool dashes_only(std::string_view word) {
  return word.size() > 2 && word.find_first_not_of('-') == std::string_view::npos;
}

std::string unknown_option(std::string_view word, const std::vector<std::string>& options,
                           words::Language language) {
  const std::size_t name = word.find_first_not_of('-');
  const std::string near = name == std::string_view::npos
                               ? std::string()
                               : did_you_mean(word.substr(name), options, "--", language);
  return words::say(words::Tool::UnknownOption, language, {quoted_text(word), near});
}

std::vector<std::string> member_names() {
  std::vector<std::string> names;
  for (const Member& m : members())
    names.push_back(to_utf8(m.property ? m.property->name : m.function->name));
  return names;
}

}  // namespace korvane::cli
