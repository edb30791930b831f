#pragma once
// The menu pane: the menu file's items as owner-drawn rows over a background
// picture anchored to the bottom. Hover, press and the current item are drawn
// with the state pictures; making an item current shows its plug-in's page.

#include <windows.h>

#include <string>

#include "framework/LangResourceTable.h"
#include "framework/PrinterSettingsList.h"
#include "shell/MenuFile.h"
#include "win/Dpi.h"
#include "win/Handles.h"
#include "win/Window.h"

// What the menu pane needs of the main frame.
class IMenuHost {
public:
  virtual ~IMenuHost() = default;
  virtual HWND FrameWindow() const = 0;
  virtual HWND PagePane() const = 0;
  virtual void InitStatusPane(const MenuItems& items) = 0;
  virtual void SetMenuPaneSize(int width, int height) = 0;
};

class CUtilMenuView : public CWindow {
public:
  static const wchar_t kClassName[];
  static constexpr int kListId = 1;
  enum BitmapIndex { kBackground = 0, kOnMouse = 1, kSelected = 2, kSelecting = 3 };

  CUtilMenuView(UtilitySettings& settings, CPrinterSettingsList* settingsList);
  ~CUtilMenuView() override;

  bool CreatePane(HINSTANCE instance, HWND parent, int id);
  // Once, before the main window is first shown: reads the menu file, loads
  // the plug-ins, registers their data and makes the first item current.
  void InitialUpdate(IMenuHost& host);
  // Finalises and unloads every plug-in, in list order.
  void ReleaseItems();
  // Draws at another resolution (the window moved to another monitor): the
  // menu file's sizes are scaled again and the pane asks for its new size.
  void SetDpi(IMenuHost& host, int dpi);
  // Shows the next page of the menu (forward) or the one before, as a click
  // on its row would, going round at the ends; false when there is no other.
  bool ShowNextPage(bool forward);

  const MenuItems& Items() const { return items_; }
  int CurrentIndex() const { return currentIndex_; }
  int HoverIndex() const { return hoverIndex_; }
  int PressedIndex() const { return pressedIndex_; }
  int Dpi() const { return dpi_; }
  int RowHeight() const { return rowHeight_; }
  int ColumnWidth() const { return columnWidth_; }
  HWND List() const { return list_; }
  const std::wstring& MenuFilePath() const { return menuFilePath_; }

protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self) noexcept;
  LRESULT OnListMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnMouseMove(WPARAM keys, POINT pt);
  bool OnLeftButtonDown(POINT pt);
  bool OnLeftButtonUp();
  void OnCaptureLost();
  void EraseBackground(HDC dc);
  void DrawRow(const DRAWITEMSTRUCT& draw);
  void MeasureRow(MEASUREITEMSTRUCT& measure);
  int HitTest(POINT pt) const;
  void RedrawRow(int index);
  void LoadBitmaps(const MenuLayout& layout);
  SIZE BitmapSize(int index) const;
  // A picture's size as drawn: its own at 96 dots per inch, scaled.
  SIZE DrawnSize(int index) const;
  int Px(int pixels) const { return ScaleToDpi(pixels, dpi_); }
  void ApplyDpi();
  void FitPane(IMenuHost& host);
  bool Selectable(int index) const;

  UtilitySettings& settings_;
  CPrinterSettingsList* settingsList_;
  HWND list_ = nullptr;
  MenuItems items_;
  // The menu file gives its sizes in pixels at 96 dots per inch; the
  // members below hold them scaled to dpi_.
  int dpi_ = kStandardDpi;
  MenuLayout layout_;
  int indents_[kMenuLevels] = {6, 12, 24, 24, 24};
  CBitmap bitmaps_[4];
  int hoverIndex_ = -1;
  int pressedIndex_ = -1;
  int currentIndex_ = -1;
  int rowHeight_ = -1;
  int columnWidth_ = -1;
  std::wstring bitmapPaths_[4];
  COLORREF defaultTextColour_ = 0;
  bool mouseCaptured_ = false;
  int stretchBitmaps_ = 0;
  int transparentBitmaps_ = 0;
  std::wstring menuFilePath_;
  CLangResourceTable texts_;  // "MENU_ITEM"
  HINSTANCE instance_ = nullptr;
  bool released_ = false;
};
