#pragma once
// The cut position is kept and sent in printer units of 1/180 inch but shown
// and typed in millimetres with one decimal. The conversions, the texts of
// the edit box and the preview's geometry; no <windows.h>, so they are
// tested natively.

#include <cstdint>
#include <string>
#include <string_view>

#include "win/DpiScale.h"

class CCalcAdjustValue {
public:
  CCalcAdjustValue(int32_t decimals, int32_t factor, int32_t maximum, int32_t minimum)
      : decimals(decimals), factor(factor), maximum(maximum), minimum(minimum) {}
  virtual ~CCalcAdjustValue() = default;

  // Units to a shown value (tenths of a millimetre); 1 when the units had to
  // be clamped to the range, else 0.
  int32_t ToDisplay(int32_t units, int32_t* tenths) const;
  // A shown value to units; 1 when the result had to be clamped. A shown
  // value of 0 returns 0 and leaves *units as it was.
  int32_t FromDisplay(int32_t tenths, int32_t* units) const;
  // The shown value of the unit nearest to the given one.
  int32_t SnapToUnit(int32_t tenths) const;

  int32_t decimals;
  int32_t factor;
  int32_t maximum;
  int32_t minimum;
};

// The cut-position page's calculator: one decimal, factor 100, -262..4241 units.
CCalcAdjustValue MakeCutPositionCalculator();

// "0.0", "0.5", "-0.5", "598.5": a shown value as the edit box writes it.
std::wstring TextOfTenths(int32_t tenths, int32_t decimals);
// A text as the edit box reads it: empty is 0, a missing "." or missing
// decimals are filled with zeros, a leading "." gets its "0". Digits beyond
// the allowed decimals (pasted text) are dropped; anything after the number
// is ignored, and a number beyond 32 bits is held at its limit.
int32_t TenthsOfText(std::wstring_view text, int32_t decimals);
// The character filter: backspace, digits, "-" only at the start of a text
// without one, "." only once. A character typed over a selection replaces it,
// so it is judged against the text without the selection (-1: none).
bool IsCharRejected(wchar_t character, std::wstring_view text, int32_t selectionStart, int32_t selectionEnd = -1);
// Whether a text keeps to the allowed decimal digits (-1: any).
bool HasAllowedDecimals(std::wstring_view text, int32_t decimals);

// Where the preview draws, from the control's size in pixels and the
// resolution it is drawn at.
struct PreviewGeometry {
  int left = 40, top = 10, right = 40, bottom = 20;  // margins
  int width = 0, height = 0;
  double scale = 1.0;  // tenths of a millimetre per pixel
  int zeroY = 0;       // row of the standard cut position
  int dpi = kStandardDpi;
  // A length of the drawing given at 96 dots per inch, at the geometry's.
  int Px(int pixels) const { return ScaleToDpi(pixels, dpi); }
};
PreviewGeometry LayOutPreview(int width, int height, int dpi = kStandardDpi);
// The row of a value's line: above the standard position for a positive one.
int PreviewLineY(const PreviewGeometry& geometry, int32_t tenths);
