// The main frame with its menu pane and plug-in host, in this test process:
// real windows under Xvfb, test plug-in libraries, mouse input sent to the
// menu's list control.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "app/resource.h"
#include "framework/FrameMessages.h"
#include "framework/PrinterSettingsList.h"
#include "shell/MainFrame.h"
#include "shell/MenuDLLProc.h"
#include "tests/doubles/PluginLog.h"
#include "tests/support/GuiDriver.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace {

const char kMenuFile[] =
    "[APP_SETTING]\r\nTITLE=Test Menu\r\nTITLE_ADD_VERSION=1\r\n"
    "[SETTINGS]\r\nMENU_ITEM_HEIGHT=-1\r\nDEFALT_FONT_COLOR_R=300\r\nDEFALT_FONT_COLOR_G=0\r\nDEFALT_FONT_COLOR_B=0\r\n"
    "[MENUITEM_HEAD]\r\nITEMID=1\r\nSELECTING=0\r\nFONT_BOLD=1\r\nSTRING=MENU_ITEM_STR_0\r\n"
    "[MENUITEM_A]\r\nITEMID=2\r\nSELECTING=1\r\nPARENTITEMID=1\r\nUSE_DLL_NAME=PluginFull.dll\r\nMENU_NAME_KEY=Alpha\r\n"
    "[MENUITEM_B]\r\nITEMID=3\r\nSELECTING=1\r\nPARENTITEMID=1\r\nUSE_DLL_NAME=PluginNoMenuName.dll\r\nSTRING=Plain B\r\n"
    "[MENUITEM_C]\r\nITEMID=4\r\nSELECTING=1\r\nPARENTITEMID=1\r\nUSE_DLL_NAME=PluginNoActiveView.dll\r\nSTRING=C\r\n"
    "[MENUITEM_D]\r\nITEMID=5\r\nSELECTING=1\r\nPARENTITEMID=1\r\nUSE_DLL_NAME=PluginInitFails.dll\r\n"
    "MENU_NAME_KEY=Delta\r\n"
    "[MENUITEM_E]\r\nITEMID=6\r\nSELECTING=1\r\nPARENTITEMID=1\r\nUSE_DLL_NAME=PluginDepends.dll\r\nSTRING=E\r\n"
    "[MENUITEM_F]\r\nITEMID=7\r\nSELECTING=2\r\nPARENTITEMID=1\r\nUSE_DLL_NAME=PluginRefuses.dll\r\nSTRING=F\r\n"
    "[MENUITEM_G]\r\nITEMID=8\r\nSELECTING=1\r\nPARENTITEMID=1\r\nUSE_DLL_NAME=PluginFull.dll\r\nSTRING=Second\r\n"
    "[MENUITEM_H]\r\nITEMID=0\r\nPARENTITEMID=0\r\nSTRING=Dropped\r\n"
    "[MENUITEM_I]\r\nITEMID=9\r\nSELECTING=0\r\nSTRING=Footer_\r\nFONT_COLOR_R=0\r\nFONT_COLOR_G=128\r\nFONT_COLOR_B=0\r\n"
    "[OTHER_SECTION]\r\nITEMID=99\r\n";

enum Row { kHead = 0, kA = 1, kB = 2, kE = 3, kF = 4, kFooter = 5 };

class MainWindow : public testing::Test {
protected:
  void SetUp() override {
    SetDllDirectoryW((gui::TestBinDir() + L"plugins").c_str());
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    program_.WriteText(L"MENUITEM.DAT", kMenuFile);
    settings_ = {};
    CopyText(settings_.exeDir, (program_.Path() + L"\\").c_str());
    CopyText(settings_.langDir, (program_.Path() + L"\\LANG").c_str());
    settings_.langId = 0x409;
    for (const wchar_t* name : {L"PluginFull.dll", L"PluginNoMenuName.dll", L"PluginInitFails.dll",
                                L"PluginDepends.dll", L"PluginRefuses.dll"}) {
      if (HMODULE loaded = GetModuleHandleW(name)) GetProc<void (*)()>(loaded, "TestPlugin_Reset")();
    }
    log_.Clear();
  }
  void TearDown() override {
    if (arrangement_.Frame() && IsWindow(arrangement_.Frame()->Hwnd())) DestroyWindow(arrangement_.Frame()->Hwnd());
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    SetDllDirectoryW(nullptr);
  }

  CMainFrame& Open() {
    EXPECT_TRUE(arrangement_.Register());
    CMainFrame* frame = arrangement_.CreateMainWindow(settings_, &list_, connectState_);
    EXPECT_NE(frame, nullptr);
    ShowWindow(frame->Hwnd(), SW_SHOWNORMAL);
    UpdateWindow(frame->Hwnd());
    return *frame;
  }

  // The middle of a row, in the list's client coordinates.
  static LPARAM RowPoint(HWND list, int row, int dx = 0) {
    RECT rc = {};
    ListView_GetItemRect(list, row, &rc, LVIR_BOUNDS);
    return MAKELPARAM((rc.left + rc.right) / 2 + dx, (rc.top + rc.bottom) / 2);
  }

  std::string TakeLog() {
    const std::string text = log_.Text();
    log_.Clear();
    return text;
  }

  gui::CProgramFolder program_;
  UtilitySettings settings_ = {};
  CPrinterSettingsList list_;
  uint32_t connectState_ = 0;
  CDocArrangement arrangement_{GetModuleHandleW(nullptr)};
  doubles::CPluginLog log_;
};

TEST_F(MainWindow, HostLoadsInitialisesRegistersAndShowsInOrder) {
  CMainFrame& frame = Open();
  EXPECT_EQ(TakeLog(),
            "PluginFull.Initialize(frame,pane,settings);PluginFull.GetMenuName(null);PluginFull.GetMenuName(buffer);"
            "PluginNoMenuName.Initialize(frame,pane,settings);"
            // Its Initialize failed: it is not asked for its menu name.
            "PluginInitFails.Initialize(frame,pane,settings);"
            "PluginDepends.Initialize(frame,pane,settings);"
            "PluginRefuses.Initialize(frame,pane,settings);"
            "PluginFull.Initialize(frame,pane,settings);"
            // Every plug-in's own block first ...
            "PluginFull.GetPluginInfo;PluginFull.SetDefault(20001);"
            "PluginNoMenuName.GetPluginInfo;PluginNoMenuName.SetDefault(20002);"
            "PluginDepends.GetPluginInfo;PluginDepends.SetDefault(20005);"
            "PluginRefuses.GetPluginInfo;PluginRefuses.SetDefault(20006);"
            // ... then the blocks they depend on; 0x20001 exists already.
            "PluginFull.GetDependPluginData(null);PluginNoMenuName.GetDependPluginData(null);"
            "PluginDepends.GetDependPluginData(null);PluginDepends.GetDependPluginData(entries);"
            "PluginDepends.SetDefault(29999);PluginRefuses.GetDependPluginData(null);"
            // The first item with SELECTING 1 is shown.
            "PluginFull.ChangeMenuState(2);");

  const MenuItems& items = frame.MenuView().Items();
  ASSERT_EQ(items.size(), 6u);
  const wchar_t* names[] = {L"Printer Settings", L"Menu Alpha", L"Plain B", L"E", L"F", L"Printer Settings"};
  const int levels[] = {0, 1, 1, 1, 1, 0};
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i]->name, names[i]) << i;
    EXPECT_EQ(items[i]->level, levels[i]) << i;
  }
  EXPECT_EQ(items[kHead]->textColour, RGB(44, 0, 0));   // default colour, 300 wraps to 44
  EXPECT_EQ(items[kFooter]->textColour, RGB(0, 128, 0));
  EXPECT_EQ(frame.MenuView().CurrentIndex(), kA);
  EXPECT_EQ(gui::WindowText(frame.Hwnd()), L"Test Menu Ver.1.10");
  for (int id : {0x20001, 0x20002, 0x20005, 0x20006, 0x29999}) EXPECT_NE(list_.FindBlock(id), -1) << std::hex << id;
  EXPECT_EQ(list_.FindBlock(0x20004), -1);  // its plug-in never got that far

  DestroyWindow(frame.Hwnd());
  // Only items in the menu are finalised, in list order.
  EXPECT_EQ(TakeLog(), "PluginFull.Finalize;PluginNoMenuName.Finalize;PluginDepends.Finalize;PluginRefuses.Finalize;");
}

TEST_F(MainWindow, GeometryIsFixed) {
  CMainFrame& frame = Open();
  RECT window = {};
  GetWindowRect(frame.Hwnd(), &window);
  EXPECT_EQ(window.right - window.left, kFrameWidth);
  EXPECT_EQ(window.bottom - window.top, kFrameHeight);
  const LONG style = GetWindowLongW(frame.Hwnd(), GWL_STYLE);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  HMENU systemMenu = GetSystemMenu(frame.Hwnd(), FALSE);
  EXPECT_EQ(GetMenuState(systemMenu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetPropW(frame.Hwnd(), L"VX-R500_UTILITY_VX-R500"), GetModuleHandleW(nullptr));

  RECT client = {};
  GetClientRect(frame.Hwnd(), &client);
  RECT menu = {}, status = {}, page = {};
  GetWindowRect(frame.MenuView().Hwnd(), &menu);
  GetWindowRect(frame.StatusView().Hwnd(), &status);
  GetWindowRect(frame.PageView().Hwnd(), &page);
  ASSERT_GT(frame.MenuPaneWidth(), 0);
  EXPECT_EQ(menu.right - menu.left, frame.MenuPaneWidth());  // exactly as wide as it asked
  EXPECT_EQ(status.bottom - status.top, 65);
  EXPECT_EQ(status.right - status.left, client.right);
  EXPECT_GE(page.left, menu.right);
  EXPECT_EQ(frame.MenuView().RowHeight(), 30);  // the selected-item picture's height
  RECT listClient = {};
  GetClientRect(frame.MenuView().List(), &listClient);
  EXPECT_GE(listClient.right, frame.MenuView().ColumnWidth());  // no horizontal scrolling
  EXPECT_FALSE(GetWindowLongW(frame.MenuView().List(), GWL_STYLE) & WS_HSCROLL);

  // A drag on the split bars or an attempt to size the frame changes nothing.
  const HWND splitter = frame.InnerSplitter().Hwnd();
  const LPARAM bar = MAKELPARAM(frame.MenuPaneWidth(), 20);
  SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, bar);
  SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(frame.MenuPaneWidth() + 80, 20));
  SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(frame.MenuPaneWidth() + 80, 20));
  RECT after = {};
  GetWindowRect(frame.MenuView().Hwnd(), &after);
  EXPECT_EQ(after.right - after.left, frame.MenuPaneWidth());
  RECT sizing = {0, 0, 400, 300};
  SendMessageW(frame.Hwnd(), WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&sizing));
  EXPECT_EQ(sizing.right, kFrameWidth);
  EXPECT_EQ(sizing.bottom, kFrameHeight);

  // A screenshot of the window for the documentation.
  gui::SaveWindowPicture(frame.Hwnd(), gui::TestBinDir() + L"main-window.bmp");
}

TEST_F(MainWindow, LayoutWaitsForTheMenuPane) {
  ASSERT_TRUE(arrangement_.Register());
  CMainFrame frame(settings_, &list_, connectState_);
  ASSERT_TRUE(frame.CreateFrame(GetModuleHandleW(nullptr)));
  SendMessageW(frame.Hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(780, 480));
  RECT menu = {};
  GetWindowRect(frame.MenuView().Hwnd(), &menu);
  EXPECT_EQ(menu.right - menu.left, 1);  // still the size it was created with
  frame.SetMenuPaneSize(200, 300);
  GetWindowRect(frame.MenuView().Hwnd(), &menu);
  EXPECT_EQ(menu.right - menu.left, 200);
  DestroyWindow(frame.Hwnd());
}

TEST_F(MainWindow, MouseStatesAndPageChanges) {
  CMainFrame& frame = Open();
  CUtilMenuView& menu = frame.MenuView();
  const HWND list = menu.List();
  TakeLog();

  // Hover without a button.
  SendMessageW(list, WM_MOUSEMOVE, 0, RowPoint(list, kB));
  EXPECT_EQ(menu.HoverIndex(), kB);
  EXPECT_EQ(menu.PressedIndex(), -1);
  // A heading never takes the mouse-over state.
  SendMessageW(list, WM_MOUSEMOVE, 0, RowPoint(list, kHead));
  EXPECT_EQ(menu.HoverIndex(), kB);

  // Press B, drag to E with the button held, release: E becomes current.
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, RowPoint(list, kB));
  EXPECT_EQ(menu.PressedIndex(), kB);
  SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, RowPoint(list, kE));
  EXPECT_EQ(menu.PressedIndex(), kE);
  EXPECT_EQ(menu.HoverIndex(), kE);
  SendMessageW(list, WM_LBUTTONUP, 0, RowPoint(list, kE));
  EXPECT_EQ(menu.CurrentIndex(), kE);
  EXPECT_EQ(menu.PressedIndex(), -1);
  EXPECT_EQ(TakeLog(), "PluginFull.ChangeMenuState(1);PluginDepends.ChangeMenuState(2);");

  // The current item clicked again only gets the focus request.
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, RowPoint(list, kE));
  SendMessageW(list, WM_LBUTTONUP, 0, RowPoint(list, kE));
  EXPECT_EQ(TakeLog(), "PluginDepends.ChangeMenuState(3);");

  // SELECTING 2 answers the mouse.
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, RowPoint(list, kF));
  SendMessageW(list, WM_LBUTTONUP, 0, RowPoint(list, kF));
  EXPECT_EQ(menu.CurrentIndex(), kF);
  EXPECT_EQ(TakeLog(), "PluginDepends.ChangeMenuState(1);PluginRefuses.ChangeMenuState(2);");

  // A page that refuses to be left stays current.
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, RowPoint(list, kA));
  SendMessageW(list, WM_LBUTTONUP, 0, RowPoint(list, kA));
  EXPECT_EQ(menu.CurrentIndex(), kF);
  EXPECT_EQ(TakeLog(), "PluginRefuses.ChangeMenuState(1);");

  // ... and keeps the window open.
  SendMessageW(frame.Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(frame.Hwnd()));
  EXPECT_EQ(TakeLog(), "PluginRefuses.ChangeMenuState(1);");

  // Press, drag out of the pane and release: nothing is selected.
  SendMessageW(list, WM_MOUSEMOVE, 0, RowPoint(list, kB));
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, RowPoint(list, kB));
  RECT listRect = {};
  GetClientRect(list, &listRect);
  SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(listRect.right + 120, 40));
  EXPECT_EQ(menu.PressedIndex(), -1);
  EXPECT_EQ(menu.HoverIndex(), -1);
  SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(listRect.right + 120, 40));
  EXPECT_EQ(menu.CurrentIndex(), kF);
  EXPECT_EQ(TakeLog(), "");

  // Moving with another button held does not press.
  SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, RowPoint(list, kB));
  EXPECT_EQ(menu.HoverIndex(), kB);
  EXPECT_EQ(menu.PressedIndex(), -1);
}

TEST_F(MainWindow, ClosingAsksTheCurrentPage) {
  program_.WriteText(L"MENUITEM.DAT",
                     "[MENUITEM_A]\r\nITEMID=2\r\nSELECTING=1\r\nUSE_DLL_NAME=PluginNoMenuName.dll\r\nSTRING=A\r\n");
  CMainFrame& frame = Open();
  TakeLog();
  SendMessageW(frame.Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(frame.Hwnd()));
  EXPECT_EQ(TakeLog(), "PluginNoMenuName.ChangeMenuState(1);PluginNoMenuName.Finalize;");
}

TEST_F(MainWindow, APluginNameThatIsNotABareFileNameIsRefused) {
  // catches: a menu file's library name taken as a path, so that the
  // elevated utility loads a library from wherever it points
  const std::wstring plugins = gui::TestBinDir() + L"plugins";
  for (const std::wstring& name : {plugins + L"\\PluginFull.dll", std::wstring(L"..\\bin\\plugins\\PluginFull.dll"),
                                   std::wstring(L"plugins/PluginFull.dll")}) {
    CMenuDLLProc plugin;
    EXPECT_EQ(plugin.LoadAndBind(name), -1) << "as a missing library";
  }
  CMenuDLLProc plugin;
  EXPECT_EQ(plugin.LoadAndBind(L"PluginFull.dll"), 0);
  plugin.Release();
}

TEST_F(MainWindow, MissingMenuFileGivesAnEmptyMenu) {
  program_.Remove(L"MENUITEM.DAT");
  CMainFrame& frame = Open();
  EXPECT_TRUE(frame.MenuView().Items().empty());
  EXPECT_EQ(frame.MenuView().CurrentIndex(), -1);
  EXPECT_EQ(gui::WindowText(frame.Hwnd()), L"VX-R500 Utility Ver.1.10");
  SendMessageW(frame.Hwnd(), WM_CLOSE, 0, 0);  // no current item: closes at once
  EXPECT_FALSE(IsWindow(frame.Hwnd()));
}

TEST_F(MainWindow, TooManySectionsGiveNoItems) {
  std::string text = "[MENUITEM_A]\r\nITEMID=2\r\nSTRING=A\r\n";
  for (int i = 0; i < 60; ++i) text += "[FILLER_SECTION_" + std::to_string(i) + "]\r\nX=1\r\n";
  program_.WriteText(L"MENUITEM.DAT", text);
  CMainFrame& frame = Open();
  EXPECT_TRUE(frame.MenuView().Items().empty());
}

TEST_F(MainWindow, StatusMessagesReachTheStatusPane) {
  CMainFrame& frame = Open();
  int32_t status = -1;
  EXPECT_EQ(SendMessageW(frame.Hwnd(), WM_VX_STATUS_QUERY, reinterpret_cast<WPARAM>(&status), 0), 0);
  EXPECT_EQ(status, 0);  // connected printer, no report yet
  PostMessageW(frame.StatusView().Hwnd(), WM_VX_STATUS_CHANGED, 6, 0);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  SendMessageW(frame.Hwnd(), WM_VX_STATUS_QUERY, reinterpret_cast<WPARAM>(&status), 0);
  EXPECT_EQ(status, 6);
  EXPECT_EQ(SendMessageW(frame.Hwnd(), WM_VX_RUN_PROGRESS, 0, 0), -1);  // no progress dialog asked for
}

}  // namespace

namespace {

TEST_F(MainWindow, PicturesFromFilesAndTheirFallback) {
  // A picture of our own for the current item, 100 x 40, a missing one for
  // the background: rows take the file picture's height, the background the
  // built-in one.
  const std::wstring picture = program_.File(L"current.bmp");
  // A 100 x 40 picture file, written the way the screenshots are.
  HWND probe = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 40, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(gui::SaveWindowPicture(probe, picture));
  DestroyWindow(probe);

  const std::string file = "[SETTINGS]\r\nITEM_SELECTED_BITMAP=" + std::string(picture.begin(), picture.end()) +
                           "\r\nBACKGROUND_BITMAP=C:\\\\no\\\\such.bmp\r\n"
                           "[MENUITEM_A]\r\nITEMID=1\r\nSELECTING=2\r\nSTRING=A\r\n"
                           "[MENUITEM_B]\r\nITEMID=2\r\nSELECTING=1\r\nSTRING=B\r\n";
  program_.WriteText(L"MENUITEM.DAT", file);
  CMainFrame& frame = Open();
  EXPECT_EQ(frame.MenuView().RowHeight(), 40);
  EXPECT_EQ(frame.MenuView().ColumnWidth(), 100);
  EXPECT_EQ(frame.MenuView().CurrentIndex(), 1);  // the first item with SELECTING exactly 1
}

TEST_F(MainWindow, ExplicitRowSizeAndTheCurrentRowPicture) {
  program_.WriteText(L"MENUITEM.DAT",
                     "[SETTINGS]\r\nMENU_ITEM_HEIGHT=36\r\nMENU_ITEM_WIDTH=240\r\n"
                     "[MENUITEM_A]\r\nITEMID=1\r\nSELECTING=1\r\nSTRING=A\r\n"
                     "[MENUITEM_B]\r\nITEMID=2\r\nSELECTING=1\r\nSTRING=B\r\n");
  CMainFrame& frame = Open();
  EXPECT_EQ(frame.MenuView().RowHeight(), 36);
  EXPECT_EQ(frame.MenuView().ColumnWidth(), 240);
  RedrawWindow(frame.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  HWND list = frame.MenuView().List();
  RECT row = {};
  ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
  HDC dc = GetDC(list);
  // The current row carries the selected picture's accent bar at its left edge.
  EXPECT_EQ(GetPixel(dc, 2, row.top + 15), RGB(0, 92, 184));
  ListView_GetItemRect(list, 1, &row, LVIR_BOUNDS);
  EXPECT_NE(GetPixel(dc, 2, row.top + 15), RGB(0, 92, 184));
  ReleaseDC(list, dc);
}

TEST_F(MainWindow, NoLanguageFileClosesTheApplication) {
  program_.Remove(L"LANG");
  gui::CMessageBoxWatcher boxes;
  CMainFrame& frame = Open();
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, L"Could not find the required files.\nClosing application.");
  EXPECT_TRUE(frame.MenuView().Items().empty());
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_FALSE(IsWindow(frame.Hwnd()));  // the posted close request ended it
}

}  // namespace

namespace {

TEST_F(MainWindow, AboutBoxShowsTheVersionAndTheProgramIcon) {
  // catches: the old title or version line, the About box without the icon,
  // the main window with the system's default icon
  CMainFrame& frame = Open();
  const auto windowIcon = reinterpret_cast<HICON>(GetClassLongPtrW(frame.Hwnd(), GCLP_HICON));
  EXPECT_NE(windowIcon, nullptr);
  EXPECT_NE(windowIcon, LoadIconW(nullptr, IDI_APPLICATION));
  struct {
    std::wstring title, version;
    bool icon = false;
  } seen;
  gui::CDelayedAction reader(
      [&] {
        HWND about = gui::WaitForWindow(
            GetCurrentProcessId(),
            [](const gui::WindowInfo& w) { return IsWindowVisible(w.hwnd) && GetDlgItem(w.hwnd, IDC_ABOUT_VERSION); }, 0);
        if (!about) return false;
        seen.title = gui::WindowText(about);
        seen.version = gui::WindowText(GetDlgItem(about, IDC_ABOUT_VERSION));
        seen.icon = SendDlgItemMessageW(about, IDC_ABOUT_ICON, STM_GETICON, 0, 0) != 0;
        gui::PressButton(about, IDOK);
        return true;
      },
      10000);
  SendMessageW(frame.Hwnd(), WM_COMMAND, kAboutCommand, 0);
  ASSERT_TRUE(gui::WaitUntil([&] { return reader.Done(); }, 10000));
  EXPECT_EQ(seen.title, L"Version Information");
  EXPECT_EQ(seen.version, L"Version : 1.00");
  EXPECT_TRUE(seen.icon);
}

}  // namespace
