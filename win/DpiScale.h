#pragma once
// Lengths given for the standard 96 dots per inch, at another resolution.
// Includes no <windows.h>.

constexpr int kStandardDpi = 96;

// A length in pixels at 96 dots per inch, at dpi; rounded to the nearest
// pixel, halves away from zero (as MulDiv rounds).
constexpr int ScaleToDpi(int pixels, int dpi) {
  const long long product = static_cast<long long>(pixels) * dpi;
  const long long half = kStandardDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kStandardDpi : -((-product + half) / kStandardDpi));
}
