#include "connection/ErrorCorrespondenceDlg.h"

#include "app/resource.h"
#include "connection/StatusRules.h"
#include "framework/LangResourceTable.h"
#include "win/Dpi.h"

namespace {

// The height the guidance text needs at the given width, in the dialog's font.
int TextHeight(HWND text, const std::wstring& value, int width) {
  HDC dc = GetDC(text);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
  RECT rc = {0, 0, width, 0};
  DrawTextW(dc, value.c_str(), -1, &rc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(text, dc);
  return rc.bottom - rc.top;
}

SIZE WindowSize(HWND hwnd) {
  RECT rc = {};
  GetWindowRect(hwnd, &rc);
  return {rc.right - rc.left, rc.bottom - rc.top};
}

}  // namespace

INT_PTR CErrorCorrespondenceDlg::Run(HINSTANCE instance, HWND owner) {
  return DoModal(instance, IDD_ERROR_GUIDANCE, owner);
}

BOOL CErrorCorrespondenceDlg::OnInitDialog() {
  // Other codes keep the template's texts: the callers pass only these two.
  if (status_ != 3 && status_ != 9) return TRUE;
  CLangResourceTable status, guidance;
  std::wstring title = L"error", text;
  if (status.FindLanguageFile(langDir_, langId_, kEnglishLangId) != CLangResourceTable::kNotFound &&
      status.LoadSection(L"PRT_STATUS") == 0) {
    title = status.StringOr(status_, L"error");
  }
  if (guidance.FindLanguageFile(langDir_, langId_, kEnglishLangId) != CLangResourceTable::kNotFound &&
      guidance.LoadSection(L"DLG_ERR_CORR_MSG") == 0) {
    text = guidance.StringOr(status_, L"");
  }
  SetWindowTextW(hwnd_, title.c_str());
  HWND textItem = Item(IDC_ERRGUIDE_TEXT);
  SetWindowTextW(textItem, text.c_str());

  // The frame's share of the window stays as it is; the client area is laid out.
  RECT client = {};
  GetClientRect(hwnd_, &client);
  const SIZE outer = WindowSize(hwnd_);
  const int frameX = outer.cx - client.right;
  const int frameY = outer.cy - client.bottom;
  const SIZE ok = WindowSize(Item(IDOK));
  const SIZE picture = WindowSize(Item(IDC_ERRGUIDE_PICTURE));
  const int dpi = WindowDpi(hwnd_);
  const int textHeight = TextHeight(textItem, text, client.right - 2 * ErrorGuidanceMargin(dpi));
  const ErrorGuidanceLayout l =
      ComputeErrorGuidanceLayout(status_, client.right, textHeight, ok.cy, picture.cx, picture.cy, dpi);

  SetWindowPos(hwnd_, nullptr, 0, 0, l.width + frameX, l.height + frameY, SWP_NOMOVE | SWP_NOZORDER);
  MoveWindow(textItem, l.textX, l.textY, l.textWidth, l.textHeight, FALSE);
  MoveWindow(Item(IDOK), l.width / 2 - ok.cx / 2, l.okY, ok.cx, ok.cy, FALSE);
  if (l.picture) MoveWindow(Item(IDC_ERRGUIDE_PICTURE), l.pictureX, l.pictureY, picture.cx, picture.cy, FALSE);
  return TRUE;
}

void ShowErrorGuidance(HWND owner, int32_t status, const UtilitySettings& settings) {
  CErrorCorrespondenceDlg dialog(status, settings.langId, settings.langDir);
  dialog.Run(GetModuleHandleW(nullptr), owner);
}
