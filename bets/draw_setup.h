// The lottery's rule for a well-formed draw, beside 验证 which loads it.
//
// 验证 never fails: it loads whatever a sheet passes and the bets settle
// against it. A draw the lottery could not have drawn (a number out of 01-49,
// one drawn twice, a year that is no year, or the undrawn draw of all 00) is
// still worth a word to the bookkeeper before money is paid from it; a front
// end that settles whole books asks this rule, through 验证's row
// (Function::draw_rule), and warns. It reads the draw only and touches
// nothing.
#pragma once

#include <string>
#include <string_view>

#include "core/custom_functions.h"

namespace korvane {

// Why the draw 验证 just loaded with the year is not one a lottery can draw:
// six regular numbers and a special number, each 01 .. 49 and all different,
// in a whole year. None when it is. (An undrawn draw, all 00, is reported too:
// the bets settle nothing against it.)
DrawProblem draw_problem(const Draw& draw, const Variant& year, const Variant& numbers);

}  // namespace korvane
