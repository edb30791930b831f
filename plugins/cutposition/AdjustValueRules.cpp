#include "plugins/cutposition/AdjustValueRules.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kUnitsPerInch = 180.0;

int32_t Sign(int64_t v) { return v < 0 ? -1 : 1; }

}  // namespace

int32_t CCalcAdjustValue::ToDisplay(int32_t units, int32_t* tenths) const {
  const int32_t clamped = std::clamp(units, std::min(minimum, maximum), std::max(minimum, maximum));
  const auto d = static_cast<int64_t>(static_cast<double>(clamped) * kMillimetresPerInch / kUnitsPerInch * factor);
  if (tenths) *tenths = static_cast<int32_t>(Sign(clamped) * ((std::llabs(d) + 5) / 10));
  return clamped != units ? 1 : 0;
}

int32_t CCalcAdjustValue::FromDisplay(int32_t tenths, int32_t* units) const {
  if (tenths == 0) return 0;
  double p = 1.0;
  for (int32_t i = 1; i < decimals; ++i) p *= 10.0;
  const auto b = static_cast<int64_t>(static_cast<double>(tenths) / p * kUnitsPerInch / kMillimetresPerInch);
  const int64_t u = Sign(tenths) * ((std::llabs(b) + 5) / 10);
  const int64_t clamped = std::clamp<int64_t>(u, std::min(minimum, maximum), std::max(minimum, maximum));
  if (units) *units = static_cast<int32_t>(clamped);
  return clamped != u ? 1 : 0;
}

int32_t CCalcAdjustValue::SnapToUnit(int32_t t) const {
  if (t == 0) return 0;
  int32_t u = 0;
  const bool clamped = FromDisplay(t, &u) != 0;
  const auto shown = [this](int64_t units) {
    int32_t s = 0;
    if (units != 0) ToDisplay(static_cast<int32_t>(std::clamp<int64_t>(units, INT32_MIN, INT32_MAX)), &s);
    return s;
  };
  const int32_t s = shown(u);
  if (s == t || clamped) return s;
  const int32_t up = shown(static_cast<int64_t>(u) + 1);
  if (up == t) return up;
  const auto distance = [t](int32_t v) { return std::llabs(static_cast<int64_t>(t) - v); };
  const int32_t best = distance(s) <= distance(up) ? s : up;
  const int32_t down = shown(static_cast<int64_t>(u) - 1);
  if (down == t) return down;
  return distance(down) < distance(best) ? down : best;
}

CCalcAdjustValue MakeCutPositionCalculator() { return CCalcAdjustValue(1, 100, 4241, -262); }

std::wstring TextOfTenths(int32_t tenths, int32_t decimals) {
  const int64_t magnitude = std::llabs(static_cast<int64_t>(tenths));
  std::wstring digits = std::to_wstring(magnitude);
  const auto places = static_cast<std::size_t>(std::max(decimals, 0));
  while (digits.size() <= places) digits.insert(digits.begin(), L'0');
  if (places > 0) digits.insert(digits.size() - places, 1, L'.');
  if (tenths < 0) digits.insert(digits.begin(), L'-');
  return digits;
}

int32_t TenthsOfText(std::wstring_view text, int32_t decimals) {
  const auto places = static_cast<std::size_t>(std::max(decimals, 0));
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && text[i] == L'-') {
    negative = true;
    ++i;
  }
  int64_t value = 0;
  const auto take = [&value](wchar_t c) { value = std::min<int64_t>(value * 10 + (c - L'0'), INT64_MAX / 20); };
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) take(text[i]);
  std::size_t fraction = 0;
  if (i < text.size() && text[i] == L'.') {
    for (++i; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
      if (fraction < places) {
        take(text[i]);
        ++fraction;
      }
    }
  }
  for (; fraction < places; ++fraction) take(L'0');
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

bool IsCharRejected(wchar_t c, std::wstring_view text, int32_t selectionStart, int32_t selectionEnd) {
  if (c == L'\b') return false;
  if (c >= L'0' && c <= L'9') return false;
  // A typed character replaces the selection: judged against what stays.
  const auto size = static_cast<int32_t>(text.size());
  const int32_t from = std::clamp(selectionStart, 0, size);
  const int32_t to = std::clamp(std::max(selectionEnd, selectionStart), from, size);
  std::wstring kept(text.substr(0, static_cast<std::size_t>(from)));
  kept += text.substr(static_cast<std::size_t>(to));
  if (c == L'-') return kept.find(L'-') != std::wstring::npos || selectionStart != 0;
  if (c == L'.') return kept.find(L'.') != std::wstring::npos;
  return true;
}

bool HasAllowedDecimals(std::wstring_view text, int32_t decimals) {
  if (decimals == -1) return true;
  const std::size_t dot = text.find(L'.');
  if (dot == std::wstring_view::npos) return true;
  return text.size() - dot - 1 <= static_cast<std::size_t>(std::max(decimals, 0));
}

PreviewGeometry LayOutPreview(int width, int height, int dpi) {
  PreviewGeometry g;
  g.dpi = dpi > 0 ? dpi : kStandardDpi;
  g.left = g.Px(g.left);
  g.top = g.Px(g.top);
  g.right = g.Px(g.right);
  g.bottom = g.Px(g.bottom);
  g.width = width;
  g.height = height;
  g.scale = height > 0 ? 8000.0 / height + 0.5 : 8000.5;
  g.zeroY = static_cast<int>(6500.0 / g.scale + 0.5);
  return g;
}

int PreviewLineY(const PreviewGeometry& g, int32_t tenths) {
  return g.zeroY + static_cast<int>(static_cast<double>(-static_cast<int64_t>(tenths)) / g.scale);
}
