#include "framework/StaticItem.h"

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
