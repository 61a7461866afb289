// VB's Format and FormatNumber. Numbers use "," grouping and "." decimals.
// Number formats: 0 and # digit placeholders, "," grouping, "." decimal
// point, "%" and literal text (quoted or backslash-escaped); sections ";".
// Date formats: yyyy yy m mm mmm mmmm d dd h hh n nn s ss AM/PM, ":" "/" "-".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/vb/variant.h"

namespace ostrel::vb {

std::string Format(const Variant& value, std::string_view format = "");
// FormatNumber(value, digits after the point (-1: 2), leading zero, grouping).
std::string FormatNumber(const Variant& value, int32_t digits = -1, bool leading_zero = true,
                         bool group_digits = true);

}  // namespace ostrel::vb
