#pragma once
// A static splitter: panes in a grid of rows and columns with a 1-pixel gap,
// no bars to drag and no borders. It ignores the mouse, so the user cannot
// resize the panes; the frame sets every size.

#include <windows.h>

#include <vector>

#include "win/Window.h"

class CUtilSplitterWnd : public CWindow {
public:
  static const wchar_t kClassName[];
  static constexpr int kGap = 1;
  static constexpr COLORREF kLineColour = RGB(240, 240, 240);

  bool CreateStatic(HINSTANCE instance, HWND parent, int rows, int columns, int id);
  void SetPane(int row, int column, HWND pane);
  HWND GetPane(int row, int column) const;
  bool HasAllPanes() const;
  void SetRowInfo(int row, int height, int minimum);
  void SetColumnInfo(int column, int width, int minimum);
  int RowHeight(int row) const { return rows_[row]; }
  int ColumnWidth(int column) const { return columns_[column]; }
  // Places every pane at the sizes set.
  void RecalcLayout();

  // Draws the outline of a split part; nothing without a drawing surface.
  static void DrawSplitPart(HDC dc, const RECT& part);

protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  std::vector<int> rows_;
  std::vector<int> columns_;
  std::vector<HWND> panes_;
};
