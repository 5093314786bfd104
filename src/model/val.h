#pragma once

#include <string_view>

namespace ctrlprog {

// Reads the number at the start of `text` the way the forms runtime's Val does: blanks, tabs and
// line feeds are skipped before and inside the number; an optional sign, digits, one decimal
// point and an E or D exponent, or an &H / &O integer. "." is the decimal point whatever the
// locale. No number gives 0; an exponent too large gives an infinity.
double Val(std::string_view text);

// Rounds to the nearest integer, an exact half going to the even neighbour.
double RoundHalfEven(double x);

}  // namespace ctrlprog
