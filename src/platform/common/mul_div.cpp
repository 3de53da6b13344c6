// SPDX-License-Identifier: MIT
// MulDiv, for the back ends whose system has none.
#include "platform/kernel.h"

#include <cstdint>

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0)
    return -1;
  // The product of two 32-bit values always fits in 64 bits; the rounding adds
  // half the divisor away from zero, as Win32 does.
  int64_t product = int64_t(number) * numerator;
  int64_t divisor = denominator;
  if (divisor < 0) {
    divisor = -divisor;
    product = -product;
  }
  const int64_t half = divisor / 2;
  const int64_t result = product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
  if (result > INT32_MAX || result < INT32_MIN)
    return -1;
  return int(result);
}
