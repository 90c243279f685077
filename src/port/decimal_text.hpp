// Numbers as carp.txt writes them: C's "%f" in the C locale, whatever the process locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tromvex {

// value with six decimals, rounded as C's printf("%f") rounds, with '.' as the decimal point
// and a '-' on negative values (also those that round to zero, as "%f" prints them):
// 1352.6999969482421875 gives "1352.699997". Does not read or depend on the locale. Throws
// std::bad_alloc only.
std::string format_fixed6(double value);

// value with the given number of decimals, rounded and printed as format_fixed6 does. Asserts
// that decimals is 0 to 6; throws std::bad_alloc only.
std::string format_fixed(double value, int decimals);

// The number a carp.txt field holds: a decimal such as "3.500000", "245", "+2", "-1e-3" or
// ".5", with spaces and tabs around it. Returns nothing for anything else (an empty field, other
// characters, "inf", "nan", a number beyond a double). Throws nothing.
std::optional<double> parse_decimal(std::string_view text);

}  // namespace tromvex
