#pragma once
// Pane geometry of the main window. Includes no <windows.h>.

#include <cstdlib>

#include "win/DpiScale.h"

// At 96 dots per inch; scaled for others.
constexpr int kStatusPaneHeight = 65;

struct PaneLayout {
  int outerColumnWidth;  // the whole client width
  int outerRow0Height;   // menu and page panes
  int outerRow1Height;   // status pane
  int menuPaneWidth;
  int pagePaneWidth;
  int innerRowHeight;
};

// Sizes for a client area of width x height once the menu pane asked for
// menuWidth (all in pixels at dpi); every size at least 1.
inline PaneLayout ComputePaneLayout(int width, int height, int menuWidth, int dpi = kStandardDpi) {
  auto atLeast1 = [](int v) { return v < 1 ? 1 : v; };
  const int statusHeight = ScaleToDpi(kStatusPaneHeight, dpi);
  PaneLayout layout;
  layout.outerColumnWidth = atLeast1(width);
  layout.outerRow0Height = atLeast1(std::abs(height - ScaleToDpi(67, dpi)));
  layout.outerRow1Height = statusHeight;
  layout.menuPaneWidth = atLeast1(menuWidth);
  layout.pagePaneWidth = atLeast1(std::abs(width - menuWidth));
  layout.innerRowHeight = atLeast1(std::abs(height - statusHeight));
  return layout;
}
