#pragma once
// The main window and its single-document arrangement: the fixed-size frame,
// its document and the page pane view.

#include <windows.h>

#include <memory>

#include "framework/LangResourceTable.h"
#include "framework/UtilitySettings.h"
#include "win/Window.h"

constexpr int kFrameWidth = 796;
constexpr int kFrameHeight = 523;

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

class CMainFrame : public CWindow {
public:
  static const wchar_t kClassName[];

  explicit CMainFrame(const UtilitySettings& settings);

  // Creates the frame with its panes; false when the window cannot be made.
  bool CreateFrame(HINSTANCE instance);

  CUtilDummyView& PageView() { return pageView_; }

protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  void OnCreated();

  const UtilitySettings& settings_;
  int32_t menuPaneWidth_ = 0;
  int32_t menuPaneHeight_ = 0;
  CLangResourceTable texts_;  // "MAIN_WINDOW"
  CUtilDummyView pageView_;
  HINSTANCE instance_ = nullptr;
};

// The single-document arrangement: document, frame and first view, resources 128.
class CDocArrangement {
public:
  explicit CDocArrangement(HINSTANCE instance) : instance_(instance) {}
  // Registers the window classes; false when that fails.
  bool Register();
  // Creates the document and the main window; null on failure.
  CMainFrame* CreateMainWindow(const UtilitySettings& settings);

private:
  HINSTANCE instance_;
  std::unique_ptr<CUtlDoc> document_;
  std::unique_ptr<CMainFrame> frame_;
};
