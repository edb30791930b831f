#include "framework/StaticItem.h"

#include <commctrl.h>

#include <cstdlib>

bool CStaticItem::Attach(HWND control) {
  control_ = control;
  return control_ != nullptr;
}

void CStaticItem::MakeBold() {
  HWND parent = control_ ? GetParent(control_) : nullptr;
  if (!parent) return;
  HFONT parentFont = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
  LOGFONTW font = {};
  GetObjectW(parentFont ? static_cast<HGDIOBJ>(parentFont) : GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
  font.lfWeight = FW_BOLD;
  CFont bold(CreateFontIndirectW(&font));
  if (!bold) return;
  SendMessageW(control_, WM_SETFONT, reinterpret_cast<WPARAM>(bold.get()), TRUE);
  boldFont_ = std::move(bold);  // the earlier bold font goes only after the control lets go of it
}

HBRUSH CStaticItem::OnControlColour(UINT message, HDC dc) {
  if (!brush_) brush_.reset(CreateSolidBrush(backgroundColour));
  if (message != WM_CTLCOLORSTATIC) return nullptr;
  SetBkMode(dc, TRANSPARENT);
  return brush_.get();
}

CStaticPictureItem::~CStaticPictureItem() {
  if (control_ && IsWindow(control_)) RemoveWindowSubclass(control_, &SubclassProc, 0);
}

bool CStaticPictureItem::Attach(HWND control) {
  if (!control || !SetWindowSubclass(control, &SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this))) return false;
  control_ = control;
  return true;
}

bool CStaticPictureItem::SetBitmap(HINSTANCE module, int resourceId) {
  if (!control_) return false;
  CBitmap loaded(static_cast<HBITMAP>(
      LoadImageW(module, MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!loaded) return false;
  // The control keeps its own size: the picture is stretched to it.
  RECT rc = {};
  GetWindowRect(control_, &rc);
  SendMessageW(control_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(loaded.get()));
  SetWindowPos(control_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
  bitmap_ = std::move(loaded);
  InvalidateRect(control_, nullptr, TRUE);
  return true;
}

void CStaticPictureItem::Paint(HDC dc) const {
  RECT client = {};
  GetClientRect(control_, &client);
  // The background the parent gives its static controls, where the
  // transparent colour leaves the picture unpainted.
  HWND parent = GetParent(control_);
  auto brush = reinterpret_cast<HBRUSH>(
      parent ? SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control_))
             : 0);
  FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
  auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(control_, STM_GETIMAGE, IMAGE_BITMAP, 0));
  if (!bitmap) return;
  BITMAP info = {};
  if (!GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight == 0) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const COLORREF transparent = GetPixel(memory, 0, 0);
  TransparentBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, info.bmWidth, std::abs(info.bmHeight),
                 transparent);
  SelectObject(memory, old);
  DeleteDC(memory);
}

LRESULT CALLBACK CStaticPictureItem::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                  DWORD_PTR self) noexcept {
  auto* item = reinterpret_cast<CStaticPictureItem*>(self);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      item->Paint(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      item->Paint(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &SubclassProc, 0);
      item->control_ = nullptr;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}
