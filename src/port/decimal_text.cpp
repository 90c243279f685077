// Numbers as carp.txt writes them: C's "%f" in the C locale, whatever the process locale.
#include "port/decimal_text.hpp"

#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <system_error>

namespace tromvex {

namespace {
constexpr int kCarpDecimals = 6;
}  // namespace

std::string format_fixed(double value, int decimals) {
  assert(decimals >= 0 && decimals <= kCarpDecimals);
  // The longest double in fixed notation: a sign, 309 integer digits, the point, 6 decimals.
  std::array<char, 320> text;
  const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value,
                                          std::chars_format::fixed, decimals);
  assert(error == std::errc());  // the buffer holds every double
  return std::string(text.data(), end);
}

std::string format_fixed6(double value) { return format_fixed(value, kCarpDecimals); }

std::optional<double> parse_decimal(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  // from_chars reads no leading '+' and knows no locale; strtod would read both.
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return std::nullopt;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace tromvex
