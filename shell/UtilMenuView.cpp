#include "shell/UtilMenuView.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "framework/MessageBoxes.h"

const wchar_t CUtilMenuView::kClassName[] = L"VXUtilMenuView";

namespace {
constexpr int kBuiltInBitmaps[4] = {132, 133, 134, 136};
}

CUtilMenuView::CUtilMenuView(UtilitySettings& settings, CPrinterSettingsList* settingsList)
    : settings_(settings), settingsList_(settingsList) {}

CUtilMenuView::~CUtilMenuView() { ReleaseItems(); }

bool CUtilMenuView::CreatePane(HINSTANCE instance, HWND parent, int id) {
  instance_ = instance;
  if (!RegisterWindowClass(instance, kClassName)) return false;
  if (!Create(instance, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 1, 1, parent,
              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)))) {
    return false;
  }
  list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_NOCOLUMNHEADER |
                              LVS_SINGLESEL,
                          0, 0, 1, 1, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance,
                          nullptr);
  if (!list_) return false;
  SetWindowSubclass(list_, &CUtilMenuView::ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  dpi_ = WindowDpi(hwnd_);
  return true;
}

void CUtilMenuView::LoadBitmaps(const MenuLayout& layout) {
  for (int i = 0; i < 4; ++i) {
    bitmapPaths_[i] = layout.bitmapPaths[i];
    HBITMAP bitmap = nullptr;
    if (!bitmapPaths_[i].empty()) {
      bitmap = static_cast<HBITMAP>(
          LoadImageW(nullptr, bitmapPaths_[i].c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    }
    if (!bitmap) {
      bitmap = static_cast<HBITMAP>(
          LoadImageW(instance_, MAKEINTRESOURCEW(kBuiltInBitmaps[i]), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    }
    bitmaps_[i].reset(bitmap);
  }
}

SIZE CUtilMenuView::BitmapSize(int index) const {
  BITMAP info = {};
  if (!bitmaps_[index] || !GetObjectW(bitmaps_[index].get(), sizeof(info), &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, std::abs(info.bmHeight)};
}

SIZE CUtilMenuView::DrawnSize(int index) const {
  const SIZE size = BitmapSize(index);
  return SIZE{Px(size.cx), Px(size.cy)};
}

void CUtilMenuView::ApplyDpi() {
  for (int level = 0; level < kMenuLevels; ++level) indents_[level] = Px(layout_.indents[level]);
  rowHeight_ = layout_.itemHeight != -1 ? Px(layout_.itemHeight) : -1;
  columnWidth_ = layout_.itemWidth != -1 ? Px(layout_.itemWidth) : -1;
}

void CUtilMenuView::SetDpi(IMenuHost& host, int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  ApplyDpi();
  if (!list_ || items_.empty()) return;
  FitPane(host);
  InvalidateRect(list_, nullptr, TRUE);
}

void CUtilMenuView::FitPane(IMenuHost& host) {
  // Ask for the row size again now that the bitmaps and the resolution are known.
  RECT rc = {};
  GetWindowRect(list_, &rc);
  SetWindowPos(list_, nullptr, 0, 0, rc.right - rc.left + 1, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(list_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);

  // The whole content plus the list's border, so that no scroll bar is needed.
  const DWORD view = ListView_ApproximateViewRect(list_, -1, -1, -1);
  RECT border = {0, 0, 0, 0};
  AdjustWindowRectEx(&border, static_cast<DWORD>(GetWindowLongW(list_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(list_, GWL_EXSTYLE)));
  const int frameX = border.right - border.left;
  const int frameY = border.bottom - border.top;
  const int contentWidth = std::max<int>(LOWORD(view), columnWidth_);
  const int contentHeight = std::max<int>(HIWORD(view), static_cast<int>(items_.size()) * std::max(rowHeight_, 1));
  host.SetMenuPaneSize(contentWidth + frameX, contentHeight + frameY);
}

void CUtilMenuView::InitialUpdate(IMenuHost& host) {
  // The language table first: without one the application cannot run.
  if (texts_.FindLanguageFile(settings_.langDir, settings_.langId, kEnglishLangId) == CLangResourceTable::kNotFound) {
    CloseForMissingLanguageFiles(host.FrameWindow());
    return;
  }
  (void)texts_.LoadSection(L"MENU_ITEM");

  menuFilePath_ = std::wstring(settings_.exeDir) + MenuFileName(settings_.startMode);
  const CMenuFile file(menuFilePath_);
  if (const auto title = file.ReadTitle()) SetWindowTextW(host.FrameWindow(), title->c_str());
  const MenuLayout layout = file.ReadLayout();
  layout_ = layout;
  ApplyDpi();
  stretchBitmaps_ = layout.stretchBitmaps;
  transparentBitmaps_ = layout.transparentBitmaps;
  defaultTextColour_ = layout.defaultTextColour;
  LoadBitmaps(layout);
  items_ = file.ReadItems(layout, host.FrameWindow(), host.PagePane(), &settings_, texts_);

  if (settingsList_) RegisterPluginData(items_, *settingsList_);
  host.InitStatusPane(items_);

  // One column, one row per item; the row size comes from WM_MEASUREITEM.
  LVCOLUMNW column = {};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  column.fmt = LVCFMT_LEFT;
  wchar_t empty[] = L"";
  column.pszText = empty;
  const SIZE selected = DrawnSize(kSelected);
  column.cx = columnWidth_ != -1 ? columnWidth_ : selected.cx;
  ListView_InsertColumn(list_, 0, &column);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = items_[i]->name.data();
    ListView_InsertItem(list_, &item);
  }
  FitPane(host);

  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->selecting != 1) continue;
    if (items_[i]->plugin.IsBound()) items_[i]->plugin.changeMenuState(kMenuStateShow);
    currentIndex_ = static_cast<int>(i);
    RedrawRow(currentIndex_);
    break;
  }
}

void CUtilMenuView::ReleaseItems() {
  if (released_) return;
  released_ = true;
  for (auto& item : items_) item->plugin.Release();
  items_.clear();
  if (mouseCaptured_ && GetCapture() == list_) ReleaseCapture();
  mouseCaptured_ = false;
}

void CUtilMenuView::MeasureRow(MEASUREITEMSTRUCT& measure) {
  const SIZE selected = DrawnSize(kSelected);
  const int height = rowHeight_ != -1 ? rowHeight_ : selected.cy;
  const int width = columnWidth_ != -1 ? columnWidth_ : selected.cx;
  if (height != 0) {
    measure.itemHeight = static_cast<UINT>(height);
    rowHeight_ = height;
  }
  if (width != 0) {
    measure.itemWidth = static_cast<UINT>(width);
    columnWidth_ = width;
    if (list_) ListView_SetColumnWidth(list_, 0, width);
  }
}

void CUtilMenuView::EraseBackground(HDC dc) {
  RECT client;
  GetClientRect(list_, &client);
  const SIZE own = BitmapSize(kBackground);
  const SIZE size = DrawnSize(kBackground);
  if (!bitmaps_[kBackground] || size.cy == 0) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    return;
  }
  HDC memory = CreateCompatibleDC(dc);
  {
    CSelectObject select(memory, bitmaps_[kBackground].get());
    const int w = client.right;
    const int h = client.bottom;
    SetStretchBltMode(dc, HALFTONE);
    if (h >= size.cy) {
      CBrush band(CreateSolidBrush(GetPixel(memory, 0, 0)));
      RECT top = {0, 0, std::max(w - 1, 0), h - size.cy};
      FillRect(dc, &top, band.get());
      StretchBlt(dc, 0, h - size.cy, size.cx, size.cy, memory, 0, 0, own.cx, own.cy, SRCCOPY);
    } else {
      // The picture's bottom part, as much as the pane shows.
      const int shown = std::max<int>(1, h * own.cy / size.cy);
      StretchBlt(dc, 0, 0, size.cx, h, memory, 0, own.cy - shown, own.cx, shown, SRCCOPY);
    }
  }
  DeleteDC(memory);
}

void CUtilMenuView::DrawRow(const DRAWITEMSTRUCT& draw) {
  const int i = static_cast<int>(draw.itemID);
  if (i < 0 || i >= static_cast<int>(items_.size())) return;
  const CMenuItem& item = *items_[static_cast<std::size_t>(i)];
  HDC dc = draw.hDC;
  RECT text = draw.rcItem;
  const int level = std::clamp(item.level, 0, kMenuLevels - 1);
  text.left += indents_[level];
  text.right -= indents_[level];

  int picture = -1;
  if (i == currentIndex_) picture = kSelected;
  else if (i == pressedIndex_) picture = kSelecting;
  else if (i == hoverIndex_) picture = kOnMouse;
  if (picture >= 0 && bitmaps_[picture]) {
    const SIZE size = BitmapSize(picture);
    const SIZE drawn = DrawnSize(picture);
    int width = drawn.cx;
    int height = drawn.cy;
    if (stretchBitmaps_ == 1) {
      width = std::max<int>(drawn.cx, columnWidth_);
      height = std::max<int>(drawn.cy, rowHeight_);
    }
    HDC memory = CreateCompatibleDC(dc);
    {
      CSelectObject select(memory, bitmaps_[picture].get());
      if (transparentBitmaps_ == 1) {
        const COLORREF key = GetPixel(memory, size.cx / 2, size.cy / 2);
        TransparentBlt(dc, 0, draw.rcItem.top, width, height, memory, 0, 0, size.cx, size.cy, key);
      } else if (width == size.cx && height == size.cy) {
        BitBlt(dc, 0, draw.rcItem.top, width, height, memory, 0, 0, SRCCOPY);
      } else {
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, draw.rcItem.top, width, height, memory, 0, 0, size.cx, size.cy, SRCCOPY);
      }
    }
    DeleteDC(memory);
  }
  if (i == currentIndex_ || i == pressedIndex_) OffsetRect(&text, Px(2), Px(2));

  LOGFONTW font = {};
  HFONT listFont = reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0));
  GetObjectW(listFont ? static_cast<HGDIOBJ>(listFont) : GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
  if (item.fontBold == 1) font.lfWeight = FW_BOLD;
  if (item.fontSize != 0) font.lfHeight = -MulDiv(item.fontSize, GetDeviceCaps(dc, LOGPIXELSY), 72);
  CFont rowFont(CreateFontIndirectW(&font));
  CSelectObject selectFont(dc, rowFont.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, item.textColour);
  DrawTextW(dc, item.name.c_str(), static_cast<int>(item.name.size()), &text,
            DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOCLIP | DT_NOPREFIX);
}

int CUtilMenuView::HitTest(POINT pt) const {
  LVHITTESTINFO info = {};
  info.pt = pt;
  const int index = ListView_HitTest(list_, &info);
  if (index < 0 || index >= static_cast<int>(items_.size()) || !(info.flags & LVHT_ONITEM)) return -1;
  return index;
}

void CUtilMenuView::RedrawRow(int index) {
  if (index >= 0 && list_) ListView_RedrawItems(list_, index, index);
}

bool CUtilMenuView::Selectable(int index) const {
  return index >= 0 && index < static_cast<int>(items_.size()) && items_[static_cast<std::size_t>(index)]->selecting != 0;
}

void CUtilMenuView::OnMouseMove(WPARAM keys, POINT pt) {
  if (!mouseCaptured_) {
    SetCapture(list_);
    mouseCaptured_ = true;
  } else {
    POINT screen = pt;
    ClientToScreen(list_, &screen);
    if (WindowFromPoint(screen) != list_) ReleaseCapture();
  }
  const int i = HitTest(pt);
  if (i < 0) {
    const int oldHover = hoverIndex_;
    const int oldPressed = pressedIndex_;
    hoverIndex_ = -1;
    pressedIndex_ = -1;
    RedrawRow(oldHover);
    RedrawRow(oldPressed);
    return;
  }
  if (!Selectable(i)) return;
  bool redrawTarget = false;
  const int previousHover = hoverIndex_;
  if (i != hoverIndex_) {
    hoverIndex_ = i;
    RedrawRow(previousHover);
    redrawTarget = true;
  }
  if (i != pressedIndex_) {
    if (pressedIndex_ >= 0 && pressedIndex_ != previousHover) RedrawRow(pressedIndex_);
    if (keys == MK_LBUTTON) {
      pressedIndex_ = i;
      RedrawRow(i);
    } else {
      pressedIndex_ = -1;
    }
  }
  if (redrawTarget) RedrawRow(i);
}

bool CUtilMenuView::OnLeftButtonDown(POINT pt) {
  const int i = HitTest(pt);
  if (i < 0) return false;
  if (!Selectable(i) || i == pressedIndex_) return true;
  const int previous = pressedIndex_;
  pressedIndex_ = i;
  RedrawRow(previous);
  RedrawRow(i);
  return true;
}

bool CUtilMenuView::OnLeftButtonUp() {
  const int target = pressedIndex_ >= 0 ? pressedIndex_ : hoverIndex_;
  if (target < 0 || target >= static_cast<int>(items_.size())) return false;
  CMenuItem& item = *items_[static_cast<std::size_t>(target)];
  if (item.selecting == 0) return true;
  if (target == currentIndex_) {
    if (item.plugin.IsBound()) item.plugin.changeMenuState(kMenuStateFocus);
    return true;
  }
  if (currentIndex_ >= 0) {
    CMenuItem& current = *items_[static_cast<std::size_t>(currentIndex_)];
    if (current.plugin.IsBound() && current.plugin.changeMenuState(kMenuStateLeave) == kLeaveRefused) {
      RedrawRow(currentIndex_);
      RedrawRow(target);
      return true;
    }
  }
  const int oldCurrent = currentIndex_;
  currentIndex_ = target;
  RedrawRow(oldCurrent);
  RedrawRow(target);
  if (pressedIndex_ >= 0) {
    if (pressedIndex_ != target) RedrawRow(pressedIndex_);
    pressedIndex_ = -1;
  }
  hoverIndex_ = target;
  if (item.plugin.IsBound()) item.plugin.changeMenuState(kMenuStateShow);
  return true;
}

bool CUtilMenuView::ShowNextPage(bool forward) {
  const int count = static_cast<int>(items_.size());
  int i = currentIndex_ >= 0 ? currentIndex_ : (forward ? -1 : count);
  for (int n = 0; n < count; ++n) {
    i = forward ? (i + 1) % count : (i - 1 + count) % count;
    if (i == currentIndex_) return false;
    if (!Selectable(i)) continue;
    const int oldPressed = pressedIndex_;
    pressedIndex_ = i;
    RedrawRow(oldPressed);
    OnLeftButtonUp();
    return currentIndex_ == i;
  }
  return false;
}

void CUtilMenuView::OnCaptureLost() {
  mouseCaptured_ = false;
  const int oldPressed = pressedIndex_;
  const int oldHover = hoverIndex_;
  pressedIndex_ = -1;
  hoverIndex_ = -1;
  RedrawRow(oldPressed);
  RedrawRow(oldHover);
}

LRESULT CALLBACK CUtilMenuView::ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) noexcept {
  try {
    auto* view = reinterpret_cast<CUtilMenuView*>(self);
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &CUtilMenuView::ListProc, 1);
    return view->OnListMessage(msg, wp, lp);
  } catch (...) {
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
}

LRESULT CUtilMenuView::OnListMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      EraseBackground(reinterpret_cast<HDC>(wp));
      return 1;
    case WM_MOUSEMOVE:
      OnMouseMove(wp, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (OnLeftButtonDown(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)})) return 0;
      break;
    case WM_LBUTTONUP:
      if (OnLeftButtonUp()) return 0;
      break;
    case WM_CAPTURECHANGED:
      if (mouseCaptured_) OnCaptureLost();
      break;
    default:
      break;
  }
  return DefSubclassProc(list_, msg, wp, lp);
}

LRESULT CUtilMenuView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MEASUREITEM:
      MeasureRow(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
      return TRUE;
    case WM_DRAWITEM:
      DrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_SIZE:
      if (list_) MoveWindow(list_, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      ReleaseItems();
      return 0;
    default:
      return Default(msg, wp, lp);
  }
}
