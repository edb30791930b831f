#pragma once
// The two controls of the cut-position page that do more than the toolkit's:
// the edit box that takes only millimetre values with one decimal, and the
// preview that draws the receipt with the standard, stored and edited cut
// positions. Both work through the page's calculator, which they do not own.

#include <windows.h>

#include <cstdint>
#include <string>

#include "plugins/cutposition/AdjustValueRules.h"

class CEditAdjustValue {
public:
  virtual ~CEditAdjustValue();
  // Takes over an existing edit control.
  bool Attach(HWND edit);
  HWND Hwnd() const { return edit_; }

  virtual void SetCalculator(const CCalcAdjustValue* calculator);
  // Shows a value in units as millimetres; nothing without a calculator.
  virtual void SetValue(int32_t units);
  // The text as units; 0 without a calculator.
  virtual int32_t GetValue() const;
  // The text replaced by the shown value of the nearest unit.
  virtual void NormalizeText();
  // Typed characters pass the filter, and a second decimal is taken back.
  virtual bool HandleChar(wchar_t character, LPARAM flags);

  int32_t allowedDecimals = -1;

protected:
  virtual bool IsCharRejected(wchar_t character) const;
  virtual bool CheckDecimals(const std::wstring& previous, DWORD previousSelection);

private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR self) noexcept;
  std::wstring Text() const;
  HWND edit_ = nullptr;
  const CCalcAdjustValue* calculator_ = nullptr;
};

class CPreviewAdjustCutPosition {
public:
  virtual ~CPreviewAdjustCutPosition();
  // Takes over an existing static control; its painting is ours from now on.
  bool Attach(HWND control);
  HWND Hwnd() const { return control_; }

  // The geometry from the control's current size.
  virtual void LayOut();
  // The value being edited (red); repaints.
  virtual void SetCurrentValue(int32_t units);
  // The value in the printer (blue); stored only.
  virtual void SetStoredValue(int32_t units);
  virtual void SetPreviewCalculator(const CCalcAdjustValue* calculator) { calculator_ = calculator; }
  virtual void Paint(HDC dc);

  const PreviewGeometry& Geometry() const { return geometry_; }
  int32_t StoredValue() const { return stored_; }
  int32_t CurrentValue() const { return current_; }

private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR self) noexcept;
  int32_t Tenths(int32_t units) const;
  void DashedLine(HDC dc, COLORREF colour, int y) const;

  HWND control_ = nullptr;
  const CCalcAdjustValue* calculator_ = nullptr;
  int32_t stored_ = 0;
  int32_t current_ = 0;
  PreviewGeometry geometry_;
  bool marksPlaced_ = false;
  int leftMarkX_ = 0, rightMarkX_ = 0;
};
