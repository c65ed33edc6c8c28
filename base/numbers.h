#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace lumek {

// The longest leading decimal number of a text: leading blanks skipped, sign and fraction
// allowed ("  -12.5px" gives -12.5); a text that does not start with a number gives 0.
double LeadingNumber(QStringView text);

// Nearest whole number, halves to the even neighbour (2.5 gives 2, 3.5 gives 4); saturates at
// the ends of the 32-bit range.
int32_t RoundHalfEven(double value);

// The value limited to the 32-bit range, for sums of settings that may run past it.
int32_t ClampToInt32(int64_t value);

// How every text box and settings value becomes a number: LeadingNumber, rounded half to even.
// WholeNumber refuses values outside the 32-bit range; ToInt saturates them.
std::optional<int32_t> WholeNumber(QStringView text);
int32_t ToInt(QStringView text);

// The whole tenths of a duration in seconds, the duration taken to 4 decimals (60.0999 s gives
// 600, 185.37 s gives 1853); negative durations give 0, the count saturates at the 32-bit top.
int32_t LengthInTenths(double durationSeconds);

// A text that is exactly a whole number (blanks around it allowed) within 32 bits, else nothing.
std::optional<int32_t> StrictWholeNumber(QStringView text);

}  // namespace lumek
