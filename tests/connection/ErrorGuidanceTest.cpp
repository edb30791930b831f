// The error guidance dialog and the picture control as real windows.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/resource.h"
#include "connection/ErrorCorrespondenceDlg.h"
#include "framework/StaticItem.h"
#include "tests/support/GuiDriver.h"

namespace {

struct SeenDialog {
  std::wstring title;
  std::wstring text;
  int height = 0;
  bool okBelowText = false;
};

// Runs the dialog for a status; what it showed, read before OK closes it.
SeenDialog ShowAndRead(int32_t status, const std::wstring& langDir) {
  SeenDialog seen;
  gui::CDelayedAction reader(
      [&] {
        HWND dialog = gui::WaitForWindow(
            GetCurrentProcessId(), [](const gui::WindowInfo& w) { return GetDlgItem(w.hwnd, IDC_ERRGUIDE_TEXT); }, 0);
        if (!dialog) return false;
        seen.title = gui::WindowText(dialog);
        seen.text = gui::WindowText(GetDlgItem(dialog, IDC_ERRGUIDE_TEXT));
        RECT rc = {}, text = {}, ok = {};
        GetWindowRect(dialog, &rc);
        GetWindowRect(GetDlgItem(dialog, IDC_ERRGUIDE_TEXT), &text);
        GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
        seen.height = rc.bottom - rc.top;
        seen.okBelowText = ok.top >= text.bottom && ok.bottom <= rc.bottom;
        gui::PressButton(dialog, IDOK);
        return true;
      },
      10000);
  CErrorCorrespondenceDlg dialog(status, 0x409, langDir);
  EXPECT_EQ(dialog.Run(GetModuleHandleW(nullptr), nullptr), IDOK);
  EXPECT_TRUE(reader.Done()) << "no dialog for status " << status;
  return seen;
}

TEST(ErrorGuidance, TitleAndGuidanceFromTheLanguageFile) {
  // catches: the status text and the guidance taken from the wrong section
  // or number, or the OK button left over the text
  const std::wstring langDir = gui::BuildProgramDir() + L"\\LANG";
  const SeenDialog fatal = ShowAndRead(3, langDir);
  EXPECT_EQ(fatal.title, L"Fatal Error");
  EXPECT_NE(fatal.text.find(L"fatal error has occurred"), std::wstring::npos);
  EXPECT_TRUE(fatal.okBelowText);
  const SeenDialog cutter = ShowAndRead(9, langDir);
  EXPECT_EQ(cutter.title, L"Auto cutter error");
  EXPECT_NE(cutter.text.find(L"auto cutter error"), std::wstring::npos);
  EXPECT_TRUE(cutter.okBelowText);
}

TEST(ErrorGuidance, WithoutLanguageTextsTheDefaults) {
  // catches: an empty title, or text of another status shown
  gui::CTempFolder empty;
  const SeenDialog seen = ShowAndRead(3, empty.Path());
  EXPECT_EQ(seen.title, L"error");
  EXPECT_EQ(seen.text, L"");
}

TEST(ErrorGuidance, CutterErrorMakesRoomForItsPicture) {
  // catches: the picture's room missing or given to the fatal error too
  gui::CTempFolder empty;  // equal (empty) texts, so only the picture differs
  const int fatal = ShowAndRead(3, empty.Path()).height;
  const int cutter = ShowAndRead(9, empty.Path()).height;
  HWND probe = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ERROR_GUIDANCE), nullptr,
                                  [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_NE(probe, nullptr);
  RECT picture = {};
  GetWindowRect(GetDlgItem(probe, IDC_ERRGUIDE_PICTURE), &picture);
  DestroyWindow(probe);
  EXPECT_EQ(cutter - fatal, picture.bottom - picture.top + 12);
}

TEST(StaticPictureItem, TopLeftColourIsTransparentAndThePictureStretched) {
  // catches: a picture drawn with its white background, or drawn at its own
  // size instead of the control's
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  HWND control = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 0, 40, 40, parent,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  // 2 x 2: white at the top left and bottom right, red and blue between.
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(info.bmiHeader), 2, -2, 1, 32, BI_RGB};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  auto* px = static_cast<DWORD*>(bits);
  px[0] = 0xFFFFFF;
  px[1] = 0xFF0000;  // red (0xRRGGBB in a DIB)
  px[2] = 0x0000FF;  // blue
  px[3] = 0xFFFFFF;
  CStaticPictureItem item;
  ASSERT_TRUE(item.Attach(control));
  SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  SetWindowPos(control, nullptr, 0, 0, 40, 40, SWP_NOMOVE | SWP_NOZORDER);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, 40, 40);
  HGDIOBJ old = SelectObject(dc, target);
  RECT all = {0, 0, 40, 40};
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  FillRect(dc, &all, green);
  item.Paint(dc);
  const COLORREF background = GetPixel(dc, 5, 5);
  EXPECT_NE(background, RGB(255, 255, 255)) << "the transparent colour was painted";
  EXPECT_EQ(GetPixel(dc, 35, 35), background) << "the other white pixel was painted";
  EXPECT_EQ(GetPixel(dc, 35, 5), RGB(255, 0, 0)) << "not stretched to the control";
  EXPECT_EQ(GetPixel(dc, 5, 35), RGB(0, 0, 255));
  SelectObject(dc, old);
  DeleteObject(target);
  DeleteObject(green);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  DestroyWindow(parent);
  DeleteObject(bitmap);
}

}  // namespace
