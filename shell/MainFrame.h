#pragma once
// The main window and its single-document arrangement: a fixed-size frame
// with the menu pane on the left, the page pane on the right and the status
// pane across the bottom.

#include <windows.h>

#include <functional>
#include <memory>

#include "connection/CommStateDlg.h"
#include "connection/UtilStatusView.h"
#include "framework/LangResourceTable.h"
#include "framework/PrinterSettingsList.h"
#include "framework/UtilitySettings.h"
#include "shell/UtilMenuView.h"
#include "shell/UtilSplitterWnd.h"
#include "win/Dpi.h"
#include "win/Window.h"

// The frame's size at 96 dots per inch; scaled for others.
constexpr int kFrameWidth = 796;
constexpr int kFrameHeight = 523;
constexpr UINT kAboutCommand = 0xE140;  // the About command, also accepted from the system menu

// An empty document: it only carries the modified flag.
class CUtlDoc {
public:
  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified = true) { modified_ = modified; }

private:
  bool modified_ = false;
};

// The page pane: the parent of every page a plug-in shows. Size changes are
// passed on to every descendant window.
class CUtilDummyView : public CWindow {
public:
  static const wchar_t kClassName[];

protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

class CMainFrame : public CWindow, public IMenuHost {
public:
  static const wchar_t kClassName[];

  CMainFrame(UtilitySettings& settings, CPrinterSettingsList* settingsList, const uint32_t& connectState);

  // Creates the frame with its panes; false when the window cannot be made.
  bool CreateFrame(HINSTANCE instance);
  // The menu pane's initial update: reads the menu and shows the first page.
  void InitialUpdate();

  CUtilSplitterWnd& OuterSplitter() { return outerSplitter_; }
  CUtilSplitterWnd& InnerSplitter() { return innerSplitter_; }
  CUtilMenuView& MenuView() { return menuView_; }
  CUtilDummyView& PageView() { return pageView_; }
  CUtilStatusView& StatusView() { return statusView_; }
  int MenuPaneWidth() const { return menuPaneWidth_; }
  int MenuPaneHeight() const { return menuPaneHeight_; }
  int Dpi() const { return dpi_; }

  // Called when the session ends (logoff, shut-down): the program may be
  // ended without its window being closed, so what a normal exit keeps is
  // kept now.
  std::function<void()> onSessionEnd;

  // IMenuHost
  HWND FrameWindow() const override { return hwnd_; }
  HWND PagePane() const override { return pageView_.Hwnd(); }
  void InitStatusPane(const MenuItems& items) override;
  void SetMenuPaneSize(int width, int height) override;

protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  bool OnCreated();
  void LayoutPanes();
  // The first control of the page shown, for the keyboard.
  HWND FirstPageControl() const;
  void OnCloseRequest();
  void ShowAbout();
  LRESULT CreateProgressDialog(HWND owner);
  LRESULT RunProgressDialog(const WaitRecord* record, HWND disable);

  CUtilSplitterWnd outerSplitter_;
  CUtilSplitterWnd innerSplitter_;
  std::unique_ptr<CCommStateDlg> progressDialog_;
  bool closeAfterRun_ = false;  // a close came while the progress dialog ran
  bool statusQuery_ = false;    // a page asks for the status, and may wait for a restarting printer
  int32_t menuPaneWidth_ = 0;
  int32_t menuPaneHeight_ = 0;
  int dpi_ = kStandardDpi;
  HWND lastFocus_ = nullptr;  // where the keyboard was when the window lost the activation
  CLangResourceTable texts_;  // "MAIN_WINDOW"

  UtilitySettings& settings_;
  CUtilMenuView menuView_;
  CUtilDummyView pageView_;
  CUtilStatusView statusView_;
  HINSTANCE instance_ = nullptr;
};

// The single-document arrangement: document, frame and first view, resources 128.
class CDocArrangement {
public:
  explicit CDocArrangement(HINSTANCE instance) : instance_(instance) {}
  // Registers the window classes; false when that fails.
  bool Register();
  // Creates the document and the main window; null on failure.
  CMainFrame* CreateMainWindow(UtilitySettings& settings, CPrinterSettingsList* settingsList,
                               const uint32_t& connectState);
  CMainFrame* Frame() const { return frame_.get(); }

private:
  HINSTANCE instance_;
  std::unique_ptr<CUtlDoc> document_;
  std::unique_ptr<CMainFrame> frame_;
};
