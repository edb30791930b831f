#pragma once
// A static text control that can show its text in bold and paints its
// background in a colour of its own, the text drawn transparently over it.

#include <windows.h>

#include "win/Handles.h"

class CStaticItem {
public:
  // Takes over an existing static control (subclasses it).
  bool Attach(HWND control);
  // A bold copy of the parent's font, set with redrawing; the previous bold
  // font is released.
  void MakeBold();
  // The parent reflects WM_CTLCOLORSTATIC (and other control-colour
  // requests) here; answers the brush to use, or null for the default.
  HBRUSH OnControlColour(UINT message, HDC dc);

  COLORREF backgroundColour = RGB(0xF0, 0xF0, 0xF0);
  HWND Hwnd() const { return control_; }
  HBRUSH Brush() const { return brush_.get(); }
  HFONT BoldFont() const { return boldFont_.get(); }

private:
  HWND control_ = nullptr;
  CFont boldFont_;
  CBrush brush_;
};

// A static picture control that draws its bitmap itself: stretched to the
// control's client area, the colour of the bitmap's top-left pixel left
// unpainted so the background shows through.
class CStaticPictureItem {
public:
  CStaticPictureItem() = default;
  ~CStaticPictureItem();
  CStaticPictureItem(const CStaticPictureItem&) = delete;
  CStaticPictureItem& operator=(const CStaticPictureItem&) = delete;

  // Takes over an existing static control; its painting is ours from now on.
  bool Attach(HWND control);
  // Gives the control a bitmap resource of the module (owned by the item).
  bool SetBitmap(HINSTANCE module, int resourceId);
  HWND Hwnd() const { return control_; }
  // Draws the picture into dc (the control's client area).
  void Paint(HDC dc) const;

private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR self) noexcept;
  HWND control_ = nullptr;
  CBitmap bitmap_;
};
