#include "shell/UtilSplitterWnd.h"

#include <algorithm>

#include "win/Handles.h"

const wchar_t CUtilSplitterWnd::kClassName[] = L"VXUtilSplitter";

bool CUtilSplitterWnd::CreateStatic(HINSTANCE instance, HWND parent, int rows, int columns, int id) {
  if (!RegisterWindowClass(instance, kClassName)) return false;
  rows_.assign(static_cast<std::size_t>(rows), 1);
  columns_.assign(static_cast<std::size_t>(columns), 1);
  panes_.assign(static_cast<std::size_t>(rows * columns), nullptr);
  return Create(instance, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 1,
                1, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))) != nullptr;
}

void CUtilSplitterWnd::SetPane(int row, int column, HWND pane) {
  panes_[static_cast<std::size_t>(row) * columns_.size() + static_cast<std::size_t>(column)] = pane;
}

HWND CUtilSplitterWnd::GetPane(int row, int column) const {
  if (row < 0 || column < 0 || row >= static_cast<int>(rows_.size()) || column >= static_cast<int>(columns_.size())) {
    return nullptr;
  }
  return panes_[static_cast<std::size_t>(row) * columns_.size() + static_cast<std::size_t>(column)];
}

bool CUtilSplitterWnd::HasAllPanes() const {
  return !panes_.empty() && std::all_of(panes_.begin(), panes_.end(), [](HWND p) { return p != nullptr; });
}

void CUtilSplitterWnd::SetRowInfo(int row, int height, int minimum) {
  rows_[static_cast<std::size_t>(row)] = std::max(height, minimum);
}

void CUtilSplitterWnd::SetColumnInfo(int column, int width, int minimum) {
  columns_[static_cast<std::size_t>(column)] = std::max(width, minimum);
}

void CUtilSplitterWnd::RecalcLayout() {
  int y = 0;
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    int x = 0;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      if (HWND pane = panes_[r * columns_.size() + c]) {
        SetWindowPos(pane, nullptr, x, y, columns_[c], rows_[r], SWP_NOZORDER | SWP_NOACTIVATE);
      }
      x += columns_[c] + kGap;
    }
    y += rows_[r] + kGap;
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void CUtilSplitterWnd::DrawSplitPart(HDC dc, const RECT& part) {
  if (!dc) return;
  CPen pen(CreatePen(PS_SOLID, 1, kLineColour));
  CSelectObject selectPen(dc, pen.get());
  CSelectObject selectBrush(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, part.left, part.top, part.right, part.bottom);
}

LRESULT CUtilSplitterWnd::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
      return 0;  // the panes are not the user's to resize
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT client;
      GetClientRect(hwnd_, &client);
      int y = 0;
      for (std::size_t r = 0; r < rows_.size(); ++r) {
        y += rows_[r];
        if (r + 1 < rows_.size()) DrawSplitPart(dc, RECT{0, y, client.right, y + kGap});
        y += kGap;
      }
      int x = 0;
      for (std::size_t c = 0; c < columns_.size(); ++c) {
        x += columns_[c];
        if (c + 1 < columns_.size()) DrawSplitPart(dc, RECT{x, 0, x + kGap, client.bottom});
        x += kGap;
      }
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_NOTIFY:
    case WM_COMMAND:
      // Panes' controls report to their parent; pass it on to the frame.
      return SendMessageW(GetParent(hwnd_), msg, wp, lp);
    default:
      return Default(msg, wp, lp);
  }
}
