#include "plugins/cutposition/AdjustControls.h"

#include <commctrl.h>

#include "win/Dpi.h"
#include "win/Handles.h"

// ---- the edit box ----

CEditAdjustValue::~CEditAdjustValue() {
  if (edit_ && IsWindow(edit_)) RemoveWindowSubclass(edit_, &SubclassProc, 0);
}

bool CEditAdjustValue::Attach(HWND edit) {
  if (!edit || !SetWindowSubclass(edit, &SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this))) return false;
  edit_ = edit;
  return true;
}

void CEditAdjustValue::SetCalculator(const CCalcAdjustValue* calculator) {
  calculator_ = calculator;
  allowedDecimals = calculator ? calculator->decimals : -1;
}

std::wstring CEditAdjustValue::Text() const {
  if (!edit_) return {};
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit_)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(edit_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void CEditAdjustValue::SetValue(int32_t units) {
  if (!calculator_ || !edit_) return;
  int32_t tenths = 0;
  if (units != 0) calculator_->ToDisplay(units, &tenths);
  SetWindowTextW(edit_, TextOfTenths(tenths, calculator_->decimals).c_str());
  InvalidateRect(edit_, nullptr, TRUE);
}

int32_t CEditAdjustValue::GetValue() const {
  if (!calculator_) return 0;
  int32_t units = 0;
  calculator_->FromDisplay(TenthsOfText(Text(), calculator_->decimals), &units);
  return units;
}

void CEditAdjustValue::NormalizeText() {
  if (!calculator_ || !edit_) return;
  const int32_t snapped = calculator_->SnapToUnit(TenthsOfText(Text(), calculator_->decimals));
  SetWindowTextW(edit_, TextOfTenths(snapped, calculator_->decimals).c_str());
}

bool CEditAdjustValue::IsCharRejected(wchar_t character) const {
  DWORD start = 0, end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return ::IsCharRejected(character, Text(), static_cast<int32_t>(start), static_cast<int32_t>(end));
}

bool CEditAdjustValue::CheckDecimals(const std::wstring& previous, DWORD previousSelection) {
  if (HasAllowedDecimals(Text(), allowedDecimals)) return true;
  SetWindowTextW(edit_, previous.c_str());
  SendMessageW(edit_, EM_SETSEL, LOWORD(previousSelection), HIWORD(previousSelection));
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
  return false;
}

bool CEditAdjustValue::HandleChar(wchar_t character, LPARAM flags) {
  const std::wstring previous = Text();
  const auto selection = static_cast<DWORD>(SendMessageW(edit_, EM_GETSEL, 0, 0));
  if (!IsCharRejected(character)) DefSubclassProc(edit_, WM_CHAR, character, flags);
  return CheckDecimals(previous, selection);
}

LRESULT CALLBACK CEditAdjustValue::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                DWORD_PTR data) noexcept {
  try {
    auto* self = reinterpret_cast<CEditAdjustValue*>(data);
    if (msg == WM_CHAR && self) {
      self->HandleChar(static_cast<wchar_t>(wp), lp);
      return 0;
    }
    if (msg == WM_NCDESTROY) {
      RemoveWindowSubclass(hwnd, &SubclassProc, 0);
      if (self) self->edit_ = nullptr;
    }
  } catch (...) {
    return 0;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

// ---- the preview ----

CPreviewAdjustCutPosition::~CPreviewAdjustCutPosition() {
  if (control_ && IsWindow(control_)) RemoveWindowSubclass(control_, &SubclassProc, 0);
}

bool CPreviewAdjustCutPosition::Attach(HWND control) {
  if (!control || !SetWindowSubclass(control, &SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this))) return false;
  control_ = control;
  return true;
}

void CPreviewAdjustCutPosition::LayOut() {
  RECT rc = {};
  if (control_) GetWindowRect(control_, &rc);
  geometry_ = LayOutPreview(rc.right - rc.left, rc.bottom - rc.top, WindowDpi(control_));
}

void CPreviewAdjustCutPosition::SetCurrentValue(int32_t units) {
  current_ = units;
  if (control_) InvalidateRect(control_, nullptr, TRUE);
}

void CPreviewAdjustCutPosition::SetStoredValue(int32_t units) { stored_ = units; }

int32_t CPreviewAdjustCutPosition::Tenths(int32_t units) const {
  int32_t tenths = 0;
  if (calculator_ && units != 0) calculator_->ToDisplay(units, &tenths);
  return tenths;
}

void CPreviewAdjustCutPosition::DashedLine(HDC dc, COLORREF colour, int y) const {
  const PreviewGeometry& g = geometry_;
  CPen pen(CreatePen(PS_DASH, 1, colour));
  CSelectObject use(dc, pen.get());
  MoveToEx(dc, g.left, y, nullptr);
  LineTo(dc, g.width - g.right, y);
}

void CPreviewAdjustCutPosition::Paint(HDC dc) {
  const PreviewGeometry& g = geometry_;
  const int w = g.width, h = g.height;
  // 1. Background.
  RECT all = {0, 0, w, h};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);

  // 2. The paper's edges.
  {
    CPen pen(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    CSelectObject use(dc, pen.get());
    const POINT lines[4][2] = {{{g.left, g.top}, {w - g.right, g.top}},
                               {{g.left, g.top}, {g.left, h - g.bottom}},
                               {{w - g.right, g.top}, {w - g.right, h - g.bottom}},
                               {{g.left, h - g.bottom}, {w - g.right, h - g.bottom}}};
    for (const auto& line : lines) {
      MoveToEx(dc, line[0].x, line[0].y, nullptr);
      LineTo(dc, line[1].x, line[1].y);
    }
  }

  // 3. The cutter marks, placed at the first painting.
  if (!marksPlaced_) {
    leftMarkX_ = g.left;
    rightMarkX_ = w - g.right - g.Px(20);
    marksPlaced_ = true;
  }
  const RECT marks[2] = {{leftMarkX_, g.top + g.Px(235), leftMarkX_ + g.Px(20), g.top + g.Px(240)},
                         {rightMarkX_, g.top + g.Px(235), rightMarkX_ + g.Px(20), g.top + g.Px(240)}};
  for (const RECT& mark : marks) FillRect(dc, &mark, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  // 4. A line of sample print, upside down as it leaves the printer.
  {
    LOGFONTW lf = {};
    HFONT current = control_ ? reinterpret_cast<HFONT>(SendMessageW(control_, WM_GETFONT, 0, 0)) : nullptr;
    GetObjectW(current ? current : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfHeight = g.Px(8);
    lf.lfEscapement = 1800;
    lf.lfOrientation = 1800;
    CFont turned(CreateFontIndirectW(&lf));
    CSelectObject use(dc, turned.get());
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, h - g.Px(120), h - g.Px(20), L"ABCDEF", 6);
  }

  // 5. The paper's direction.
  {
    CPen pen(CreatePen(PS_SOLID, g.Px(2), RGB(0, 0, 0)));
    CSelectObject use(dc, pen.get());
    const int tipX = g.Px(20), tipY = h - g.Px(20);
    MoveToEx(dc, tipX, h - g.Px(50), nullptr);
    LineTo(dc, tipX, tipY);
    MoveToEx(dc, g.Px(30), h - g.Px(30), nullptr);
    LineTo(dc, tipX, tipY);
    MoveToEx(dc, g.Px(10), h - g.Px(30), nullptr);
    LineTo(dc, tipX, tipY);
  }

  // 6. The standard position and its label; 7, 8: the stored and the edited value.
  DashedLine(dc, RGB(0, 0, 0), g.zeroY);
  RECT label = {w - g.right + g.Px(3), g.zeroY - g.Px(10), w, g.zeroY + g.Px(10)};
  DrawTextW(dc, L"0.0", 3, &label, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  DashedLine(dc, RGB(0, 0, 255), PreviewLineY(g, Tenths(stored_)));
  DashedLine(dc, RGB(255, 0, 0), PreviewLineY(g, Tenths(current_)));
}

LRESULT CALLBACK CPreviewAdjustCutPosition::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                         DWORD_PTR data) noexcept {
  try {
    auto* self = reinterpret_cast<CPreviewAdjustCutPosition*>(data);
    switch (msg) {
      case WM_PAINT:
        if (self) {
          PAINTSTRUCT ps;
          HDC dc = BeginPaint(hwnd, &ps);
          self->Paint(dc);
          EndPaint(hwnd, &ps);
          return 0;
        }
        break;
      case WM_ERASEBKGND:
        return 1;  // the painting fills everything
      case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, &SubclassProc, 0);
        if (self) self->control_ = nullptr;
        break;
      default:
        break;
    }
  } catch (...) {
    return 0;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}
