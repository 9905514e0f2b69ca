// Suggestions for a mistyped name: the function a bookkeeper meant when one
// character of 平特几肖 came out wrong, or the option meant by --jsn.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "words/language.h"

namespace korvane::cli {

// The candidates nearest to given, in their order: those at the smallest edit
// distance (insertions, deletions, substitutions and swaps of two neighbours,
// counted in UTF-16 units, Latin letters compared ignoring case), when that
// distance is small for the name's length and leaves something of it.
std::vector<std::string> nearest(std::string_view given,
                                 const std::vector<std::string>& candidates);

// " (did you mean X?)" or " (did you mean X or Y?)" for the nearest
// candidates, prefix put before each, in language; empty when none is near.
std::string did_you_mean(std::string_view given, const std::vector<std::string>& candidates,
                         std::string_view prefix = {},
                         words::Language language = words::Language::English);

// A word of three or more dashes and nothing else. It is no option (there is
// no option named by dashes alone), nor the "-" of standard input, nor the
// "--" that ends the options: a mistyped word, refused as an unknown option.
bool dashes_only(std::string_view word);

// The mistake of an unknown option word: `unknown option "--jsn" (did you
// mean --json?)`, the suggestion taken from options (their names without
// dashes). A word of dashes alone gets no suggestion.
std::string unknown_option(std::string_view word, const std::vector<std::string>& options,
                           words::Language language = words::Language::English);

// The names of the add-in's members: its functions and its draw-state properties.
std::vector<std::string> member_names();

}  // namespace korvane::cli
