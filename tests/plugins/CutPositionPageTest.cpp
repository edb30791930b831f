// The cut-position page inside the real main frame under Xvfb: the plug-in
// library as the host loads it, driven through its controls.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "connection/VXC.h"
#include "framework/PrinterSettingsList.h"
#include "plugins/cutposition/AdjustValueRules.h"
#include "shell/MainFrame.h"
#include "tests/support/DoubleLibrary.h"
#include "tests/support/GuiDriver.h"
#include "win/Text.h"

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

class CutPositionPage : public testing::Test {
protected:
  void SetUp() override {
    SetDllDirectoryW((gui::TestBinDir() + L"vxcomm_complete").c_str());
    commDouble_ = std::make_unique<gui::CDoubleLibrary>(L"VXComm.dll", "VXCDouble");
    infoDouble_ = std::make_unique<gui::CDoubleLibrary>(L"PrnInfoBroker.dll", "PrnInfoDouble");
    comm_ = std::make_unique<VXC>();
    ASSERT_TRUE(comm_->IsLoaded() && infoDouble_->Loaded());
    // The plug-in and its engine from the program folder.
    SetDllDirectoryW(gui::BuildProgramDir().c_str());
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    program_.WriteText(L"MENUITEM.DAT",
                       "[MENUITEM_CUT]\r\nITEMID=1\r\nSELECTING=1\r\nUSE_DLL_NAME=VXUAdjustCutPosition.dll\r\n"
                       "STRING=Adjust Cut Position\r\n");
    CopyText(settings_.exeDir, (program_.Path() + L"\\").c_str());
    CopyText(settings_.langDir, (program_.Path() + L"\\LANG").c_str());
    settings_.langId = 0x409;
    settings_.comm = comm_.get();
    settings_.printerSettingsList = &list_;
    settings_.printerInfo114 = 1;
    InitializeCriticalSection(&lock_);
    settings_.commLock = &lock_;
  }
  void TearDown() override {
    if (arrangement_.Frame() && IsWindow(arrangement_.Frame()->Hwnd())) DestroyWindow(arrangement_.Frame()->Hwnd());
    Pump();
    DeleteCriticalSection(&lock_);
    SetDllDirectoryW(nullptr);
  }
  // Opens the main window; the page it shows first.
  HWND Open() {
    EXPECT_TRUE(arrangement_.Register());
    CMainFrame* frame = arrangement_.CreateMainWindow(settings_, &list_, connectState_);
    EXPECT_NE(frame, nullptr);
    if (!frame) return nullptr;
    ShowWindow(frame->Hwnd(), SW_SHOWNORMAL);
    UpdateWindow(frame->Hwnd());
    Pump();
    HWND range = nullptr;
    EnumChildWindows(
        frame->Hwnd(),
        [](HWND child, LPARAM lp) -> BOOL {
          if (GetDlgCtrlID(child) != 1006) return TRUE;
          *reinterpret_cast<HWND*>(lp) = child;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&range));
    return range ? GetParent(range) : nullptr;
  }
  static void Type(HWND edit, const std::wstring& text) {
    for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
    Pump();
  }

  gui::CProgramFolder program_;
  std::unique_ptr<gui::CDoubleLibrary> commDouble_, infoDouble_;
  std::unique_ptr<VXC> comm_;
  UtilitySettings settings_ = {};
  CPrinterSettingsList list_;
  CRITICAL_SECTION lock_;
  uint32_t connectState_ = 0;
  CDocArrangement arrangement_{GetModuleHandleW(nullptr)};
};

TEST_F(CutPositionPage, TypingFollowsTheFilterAndTheSpinStepsOneUnit) {
  HWND page = Open();
  ASSERT_NE(page, nullptr) << "the page of the menu's first item";
  HWND edit = GetDlgItem(page, 1001);
  EXPECT_EQ(gui::WindowText(GetDlgItem(page, 1006)), L"-37.0 ~ 598.5 mm");
  EXPECT_EQ(gui::WindowText(edit), L"0.0");
  for (int id : {1000, 1001, 1002, 1003, 1005}) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, id))) << id;

  const struct {
    const char* fault;
    const wchar_t* typed;  // after selecting everything
    const wchar_t* shown;
  } cases[] = {
      {"a value refused", L"12.5", L"12.5"},
      {"a minus after a digit taken", L"12-", L"12"},
      {"a second point taken", L"1.2.", L"1.2"},
      {"a second decimal taken", L"1.25", L"1.2"},
      {"letters taken", L"a1b", L"1"},
      {"a leading minus refused", L"-3.0", L"-3.0"},
  };
  for (const auto& c : cases) {
    SendMessageW(edit, EM_SETSEL, 0, -1);
    Type(edit, c.typed);
    EXPECT_EQ(gui::WindowText(edit), c.shown) << c.fault;
  }

  // "-3.0" selected whole and "-5" typed over it is -5, not a forward 5
  // for a backward cut.
  SetWindowTextW(edit, L"-3.0");
  SendMessageW(edit, EM_SETSEL, 0, -1);
  Type(edit, L"-5");
  EXPECT_EQ(gui::WindowText(edit), L"-5");

  // 12.5 mm is 89 units; one step up is 90 units, shown as 12.7.
  SetWindowTextW(edit, L"12.5");
  Pump();
  NMUPDOWN change = {};
  change.hdr.hwndFrom = GetDlgItem(page, 1002);
  change.hdr.idFrom = 1002;
  change.hdr.code = UDN_DELTAPOS;
  change.iPos = static_cast<int>(SendMessageW(GetDlgItem(page, 1002), UDM_GETPOS32, 0, 0));
  change.iDelta = 1;
  EXPECT_EQ(change.iPos, 89) << "the spin follows the edit box";
  SendMessageW(page, WM_NOTIFY, 1002, reinterpret_cast<LPARAM>(&change));
  Pump();
  EXPECT_EQ(gui::WindowText(edit), L"12.7");
  EXPECT_EQ(change.iDelta, 0) << "the page moved the value itself";

  // Leaving the box snaps a typed value to the nearest unit.
  SetWindowTextW(edit, L"5.0");
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(1001, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
  EXPECT_EQ(gui::WindowText(edit), L"4.9");
}

TEST_F(CutPositionPage, PreviewDrawsTheLinesWhereTheValuesAre) {
  HWND page = Open();
  ASSERT_NE(page, nullptr);
  HWND edit = GetDlgItem(page, 1001);
  HWND preview = GetDlgItem(page, 1004);
  SetWindowTextW(edit, L"40.0");  // 283 units, shown 399 tenths
  Pump();
  RedrawWindow(preview, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  gui::SaveWindowPicture(GetAncestor(page, GA_ROOT), gui::TestBinDir() + L"cut-position-page.bmp");

  RECT rc = {};
  GetWindowRect(preview, &rc);
  const PreviewGeometry g = LayOutPreview(rc.right - rc.left, rc.bottom - rc.top, WindowDpi(preview));
  HDC dc = GetDC(preview);
  const auto rowHas = [&](int y, COLORREF colour) {
    int n = 0;
    for (int x = g.left; x < g.width - g.right; ++x) n += GetPixel(dc, x, y) == colour;
    return n;
  };
  const int red = PreviewLineY(g, 399);
  EXPECT_GT(rowHas(g.zeroY, RGB(0, 0, 255)), 0) << "the stored value 0 in blue on the standard position";
  EXPECT_GT(rowHas(red, RGB(255, 0, 0)), 0) << "the edited value in red, row " << red;
  EXPECT_EQ(rowHas(red + 3, RGB(255, 0, 0)), 0) << "nothing red elsewhere";
  EXPECT_LT(red, g.zeroY) << "a forward value above the standard position";
  EXPECT_EQ(GetPixel(dc, g.left, g.top + 100), RGB(0, 0, 0)) << "the paper's left edge";
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 255, 255)) << "the background";
  ReleaseDC(preview, dc);
}

TEST_F(CutPositionPage, PrinterWithoutTheAdjustmentDisablesThePage) {
  settings_.printerInfo114 = 0;
  HWND page = Open();
  ASSERT_NE(page, nullptr);
  for (int id : {1000, 1001, 1002, 1003, 1005}) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, id))) << id;
  EXPECT_EQ(gui::WindowText(GetDlgItem(page, 1001)), L"0.0");
}

}  // namespace
