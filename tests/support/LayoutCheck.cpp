#include "tests/support/LayoutCheck.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "tests/support/GuiDriver.h"
#include "win/Dpi.h"
#include "win/Handles.h"

namespace gui {
namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c >= 32 && c < 127 ? static_cast<char>(c) : '?';
  return out;
}

// "Button 1026 "Test"" and the like, for the findings.
std::string Describe(HWND control) {
  std::wstring text = WindowText(control);
  if (text.size() > 30) text = text.substr(0, 30) + L"...";
  return Narrow(ClassOf(control)) + " " + std::to_string(GetDlgCtrlID(control)) + " \"" + Narrow(text) + "\"";
}

RECT RectInParent(HWND control) {
  RECT rc = {};
  GetWindowRect(control, &rc);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

std::string Size(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

enum class Kind { Other, Text, WrappedText, PushButton, CheckOrRadio, GroupBox, Field };

Kind KindOf(HWND control) {
  const std::wstring cls = ClassOf(control);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  if (cls == L"Static") {
    switch (style & SS_TYPEMASK) {
      case SS_LEFT:
      case SS_CENTER:
      case SS_RIGHT:
        return Kind::WrappedText;
      case SS_SIMPLE:
      case SS_LEFTNOWORDWRAP:
        return Kind::Text;
      default:
        return Kind::Other;  // pictures and frames
    }
  }
  if (cls == L"Button") {
    if (style & (BS_BITMAP | BS_ICON)) return Kind::Other;
    switch (style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
        return Kind::PushButton;
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
      case BS_3STATE:
      case BS_AUTO3STATE:
        return Kind::CheckOrRadio;
      case BS_GROUPBOX:
        return Kind::GroupBox;
      default:
        return Kind::Other;
    }
  }
  if (cls == L"Edit" || cls == L"ComboBox" || cls == L"SysListView32" || cls == L"SysIPAddress32" ||
      cls == L"msctls_trackbar32" || cls == L"ListBox") {
    return Kind::Field;
  }
  return Kind::Other;
}

// Whether the window's children are ours to check: the controls of a dialog
// and the panes of our own windows, not the inner parts of a common control.
bool LaysOutChildren(HWND window) {
  const std::wstring cls = ClassOf(window);
  return cls == L"#32770" || cls.rfind(L"VXUtil", 0) == 0;
}

class CChecker {
public:
  CChecker() : dpi_(WindowDpi(nullptr)) {
    dialogFont_.reset(CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                  L"MS Shell Dlg"));
    dc_ = CreateCompatibleDC(nullptr);
  }
  ~CChecker() { DeleteDC(dc_); }
  CChecker(const CChecker&) = delete;
  CChecker& operator=(const CChecker&) = delete;

  std::vector<std::string> Check(HWND window) {
    name_ = Narrow(WindowText(window));
    if (name_.empty()) name_ = Narrow(ClassOf(window));
    CheckOnScreen(window);
    Walk(window);
    return faults_;
  }

private:
  int Px(int pixels) const { return ScaleToDpi(pixels, dpi_); }

  void Fault(HWND control, const std::string& what) { faults_.push_back(name_ + " / " + Describe(control) + ": " + what); }

  SIZE Measure(HFONT font, const std::wstring& text, UINT flags, int width) {
    CSelectObject use(dc_, font);
    RECT rc = {0, 0, width, 0};
    DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &rc, flags | DT_CALCRECT);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
  }

  void CheckOnScreen(HWND window) {
    RECT rc = {}, work = {};
    GetWindowRect(window, &rc);
    MONITORINFO monitor = {sizeof(monitor)};
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    work = monitor.rcWork;
    if (rc.right - rc.left > work.right - work.left || rc.bottom - rc.top > work.bottom - work.top) {
      Fault(window, "the window (" + Size(rc.right - rc.left, rc.bottom - rc.top) + ") is larger than the screen (" +
                        Size(work.right - work.left, work.bottom - work.top) + ")");
    }
  }

  void Walk(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (IsWindowVisible(child)) children.push_back(child);
    }
    if (!LaysOutChildren(parent)) return;
    RECT client = {};
    GetClientRect(parent, &client);
    // The main window's splitters give their panes the sizes the frame works
    // out, which run a pixel or three past the splitter's edge; only the
    // blank border of a pane is lost there.
    const int slack = ClassOf(parent) == L"VXUtilSplitter" ? Px(3) : 0;
    for (HWND child : children) {
      const RECT rc = RectInParent(child);
      if (rc.left < client.left || rc.top < client.top || rc.right > client.right + slack ||
          rc.bottom > client.bottom + slack) {
        Fault(child, "reaches out of its parent (" + std::to_string(rc.left) + "," + std::to_string(rc.top) + "-" +
                         std::to_string(rc.right) + "," + std::to_string(rc.bottom) + " in " +
                         Size(client.right, client.bottom) + ")");
      }
      CheckText(child);
      if (ClassOf(child) == L"SysListView32") CheckList(child);
      Walk(child);
    }
    CheckOverlaps(children);
  }

  void CheckText(HWND control) {
    const Kind kind = KindOf(control);
    const std::wstring text = WindowText(control);
    if (text.empty() || kind == Kind::Other || kind == Kind::Field) return;
    RECT client = {};
    GetClientRect(control, &client);
    const int w = client.right, h = client.bottom;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const UINT prefix = (kind == Kind::Text || kind == Kind::WrappedText) && (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    const bool multiline = (kind == Kind::PushButton || kind == Kind::CheckOrRadio) && (style & BS_MULTILINE);
    int room = w;  // the width the text has
    int frame = 0;  // what the control keeps around its text vertically
    switch (kind) {
      case Kind::PushButton:
        room = w - Px(6);
        frame = Px(4);
        break;
      case Kind::CheckOrRadio:
        room = w - Px(13) - Px(4);
        break;
      case Kind::GroupBox:
        room = w - Px(16);
        break;
      default:
        break;
    }
    if (kind == Kind::WrappedText || multiline) {
      const SIZE need = Measure(dialogFont_.get(), text, DT_WORDBREAK | prefix, std::max(room, 1));
      if (need.cx > room || need.cy + frame > h) {
        Fault(control, "its text needs " + Size(need.cx, need.cy + frame) + ", the control gives " + Size(room, h));
      }
      return;
    }
    const SIZE need = Measure(dialogFont_.get(), text, DT_SINGLELINE | prefix, 0);
    if (need.cx > room || need.cy + frame > h) {
      Fault(control, "its text needs " + Size(need.cx, need.cy + frame) + ", the control gives " + Size(room, h));
    }
  }

  void CheckList(HWND list) {
    for (const HeaderItem& item : ListViewHeaderItems(list)) {
      if (item.text.empty() || item.width <= 0) continue;
      const SIZE need = Measure(dialogFont_.get(), item.text, DT_SINGLELINE | DT_NOPREFIX, 0);
      if (need.cx + Px(12) > item.width) {
        Fault(list, "the column heading \"" + Narrow(item.text) + "\" needs " + std::to_string(need.cx + Px(12)) +
                        ", its column is " + std::to_string(item.width));
      }
    }
    // Rows drawn by their owner: each as high as its text.
    if (!(GetWindowLongW(list, GWL_STYLE) & LVS_OWNERDRAWFIXED)) return;
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const SIZE line = Measure(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), L"Ag", DT_SINGLELINE, 0);
    for (int row = 0; row < rows; ++row) {
      const auto rc = ListViewItemRect(list, row);
      if (rc && rc->bottom - rc->top < line.cy) {
        Fault(list, "row " + std::to_string(row) + " is " + std::to_string(rc->bottom - rc->top) +
                        " high, its text needs " + std::to_string(line.cy));
      }
    }
  }

  void CheckOverlaps(const std::vector<HWND>& siblings) {
    std::vector<HWND> solid;
    for (HWND sibling : siblings) {
      const Kind kind = KindOf(sibling);
      if (kind == Kind::Other || kind == Kind::GroupBox) continue;
      if ((kind == Kind::Text || kind == Kind::WrappedText) && WindowText(sibling).empty()) continue;
      solid.push_back(sibling);
    }
    for (std::size_t i = 0; i < solid.size(); ++i) {
      for (std::size_t j = i + 1; j < solid.size(); ++j) {
        const RECT a = RectInParent(solid[i]), b = RectInParent(solid[j]);
        RECT both = {};
        if (IntersectRect(&both, &a, &b)) Fault(solid[i], "overlaps " + Describe(solid[j]));
      }
    }
  }

  int dpi_;
  CFont dialogFont_;
  HDC dc_ = nullptr;
  std::string name_;
  std::vector<std::string> faults_;
};

}  // namespace

std::vector<std::string> LayoutFaults(HWND window) {
  CChecker checker;
  return checker.Check(window);
}

}  // namespace gui
