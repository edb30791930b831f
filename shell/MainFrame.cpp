#include "shell/MainFrame.h"

#include <utility>

#include "app/resource.h"
#include "connection/PrinterSelectDlg.h"
#include "connection/StatusRules.h"
#include "framework/EngineCommCtrl.h"
#include "framework/FrameMessages.h"
#include "framework/TextFormat.h"
#include "shell/PaneLayout.h"

const wchar_t CUtilDummyView::kClassName[] = L"VXUtilDummyView";
const wchar_t CMainFrame::kClassName[] = L"VXUtilMainFrame";

namespace {

constexpr int kFirstPaneId = 0xE900;

BOOL CALLBACK ForwardSize(HWND child, LPARAM lp) {
  auto* msg = reinterpret_cast<const MSG*>(lp);
  SendMessageW(child, WM_SIZE, msg->wParam, msg->lParam);
  return TRUE;
}

class CAboutDlg : public CDialog {};

}  // namespace

LRESULT CUtilDummyView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SIZE) {
    const LRESULT result = Default(msg, wp, lp);
    MSG size = {};
    size.wParam = wp;
    size.lParam = lp;
    EnumChildWindows(hwnd_, &ForwardSize, reinterpret_cast<LPARAM>(&size));
    return result;
  }
  return Default(msg, wp, lp);
}

CMainFrame::CMainFrame(UtilitySettings& settings, CPrinterSettingsList* settingsList, const uint32_t& connectState)
    : settings_(settings), menuView_(settings, settingsList), statusView_(settings, connectState) {}

bool CMainFrame::CreateFrame(HINSTANCE instance) {
  instance_ = instance;
  const DWORD style = (WS_OVERLAPPEDWINDOW & ~(WS_MAXIMIZEBOX | WS_THICKFRAME)) | WS_CLIPCHILDREN;
  dpi_ = WindowDpi(nullptr);
  return Create(instance, kClassName, L"", style, 0, CW_USEDEFAULT, CW_USEDEFAULT, ScaleToDpi(kFrameWidth, dpi_),
                ScaleToDpi(kFrameHeight, dpi_), nullptr, nullptr) != nullptr;
}

bool CMainFrame::OnCreated() {
  dpi_ = WindowDpi(hwnd_);
  (void)texts_.FindLanguageFile(settings_.langDir, settings_.langId, kEnglishLangId);
  (void)texts_.LoadSection(L"MAIN_WINDOW");
  SetPropW(hwnd_, kInstancePropertyName, reinterpret_cast<HANDLE>(instance_));
  SetWindowTextW(hwnd_, FormatText(L"%s Utility %s", {L"VX-R500", L"Ver.1.10"}).c_str());
  HMENU systemMenu = GetSystemMenu(hwnd_, FALSE);
  DeleteMenu(systemMenu, SC_SIZE, MF_BYCOMMAND);
  DeleteMenu(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND);

  // Client area: status pane below, menu and page panes above.
  if (!outerSplitter_.CreateStatic(instance_, hwnd_, 2, 1, kFirstPaneId)) return false;
  statusView_.progressRunning = [this] { return progressDialog_ != nullptr; };
  if (!statusView_.CreatePane(instance_, outerSplitter_.Hwnd(), kFirstPaneId + 16)) return false;
  outerSplitter_.SetPane(1, 0, statusView_.Hwnd());
  if (!innerSplitter_.CreateStatic(instance_, outerSplitter_.Hwnd(), 1, 2, kFirstPaneId)) return false;
  outerSplitter_.SetPane(0, 0, innerSplitter_.Hwnd());
  if (!menuView_.CreatePane(instance_, innerSplitter_.Hwnd(), kFirstPaneId)) return false;
  innerSplitter_.SetPane(0, 0, menuView_.Hwnd());
  if (!CWindow::RegisterWindowClass(instance_, CUtilDummyView::kClassName) ||
      !pageView_.Create(instance_, CUtilDummyView::kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0,
                        1, 1, innerSplitter_.Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstPaneId + 1)))) {
    return false;
  }
  innerSplitter_.SetPane(0, 1, pageView_.Hwnd());

  RECT frame = {};
  GetWindowRect(hwnd_, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT client = {};
  GetClientRect(hwnd_, &client);
  MoveWindow(outerSplitter_.Hwnd(), 0, 0, client.right, client.bottom, FALSE);
  return true;
}

void CMainFrame::InitialUpdate() { menuView_.InitialUpdate(*this); }

void CMainFrame::LayoutPanes() {
  if (!outerSplitter_.HasAllPanes() || !innerSplitter_.HasAllPanes() || menuPaneWidth_ <= 0 ||
      menuPaneHeight_ <= 0) {
    return;
  }
  RECT client = {};
  GetClientRect(hwnd_, &client);
  MoveWindow(outerSplitter_.Hwnd(), 0, 0, client.right, client.bottom, TRUE);
  const PaneLayout layout = ComputePaneLayout(client.right, client.bottom, menuPaneWidth_, dpi_);
  outerSplitter_.SetColumnInfo(0, layout.outerColumnWidth, 1);
  outerSplitter_.SetRowInfo(0, layout.outerRow0Height, 1);
  outerSplitter_.SetRowInfo(1, layout.outerRow1Height, 1);
  outerSplitter_.RecalcLayout();
  innerSplitter_.SetColumnInfo(0, layout.menuPaneWidth, 1);
  innerSplitter_.SetColumnInfo(1, layout.pagePaneWidth, 1);
  innerSplitter_.SetRowInfo(0, layout.innerRowHeight, 1);
  innerSplitter_.RecalcLayout();
}

HWND CMainFrame::FirstPageControl() const {
  for (HWND child = GetWindow(pageView_.Hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    if (HWND first = GetNextDlgTabItem(child, nullptr, FALSE); first && IsChild(child, first)) return first;
  }
  return nullptr;
}

void CMainFrame::SetMenuPaneSize(int width, int height) {
  menuPaneWidth_ = width;
  menuPaneHeight_ = height;
  LayoutPanes();
}

void CMainFrame::InitStatusPane(const MenuItems& items) {
  if (statusView_.Hwnd()) statusView_.Attach(items);
}

void CMainFrame::OnCloseRequest() {
  // A page or the status pane is talking to the printer under the progress
  // dialog, whose loop runs on this window's stack: the window closes once
  // the run is over. So it is while a page waits, on this window's stack,
  // for a printer that restarts before its run.
  if (progressDialog_ || statusQuery_) {
    closeAfterRun_ = true;
    return;
  }
  const int current = menuView_.Hwnd() ? menuView_.CurrentIndex() : -1;
  const MenuItems& items = menuView_.Items();
  if (current >= 0 && current < static_cast<int>(items.size())) {
    CMenuItem& item = *items[static_cast<std::size_t>(current)];
    if (item.plugin.IsBound() && item.plugin.changeMenuState(kMenuStateLeave) != 0) return;
  }
  DestroyWindow(hwnd_);
}

LRESULT CMainFrame::CreateProgressDialog(HWND owner) {
  progressDialog_ = std::make_unique<CCommStateDlg>();
  HWND dialog = progressDialog_->CreateHidden(instance_, owner ? owner : hwnd_);
  if (!dialog) {
    progressDialog_.reset();
    return 0;
  }
  SetWindowTextW(dialog, texts_.StringOr(0, L"Communicating with the printer").c_str());
  return reinterpret_cast<LRESULT>(dialog);
}

LRESULT CMainFrame::RunProgressDialog(const WaitRecord* record, HWND disable) {
  if (!progressDialog_ || !progressDialog_->Hwnd()) return -1;
  HWND target = disable ? disable : hwnd_;
  const bool wasEnabled = IsWindowEnabled(target) != FALSE;
  EnableWindow(target, FALSE);
  // No status report while a page talks to the printer.
  statusView_.PauseReports();
  if (record) progressDialog_->SetWaitRecord(*record);
  SendMessageW(progressDialog_->Hwnd(), WM_VX_START_WAITING, 0, 0);
  EnableWindow(progressDialog_->Hwnd(), TRUE);
  HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  progressDialog_->RunModalLoop();
  // The owner is enabled again before its dialog goes, so that the system
  // gives it back the activation instead of another program's window.
  if (wasEnabled) EnableWindow(target, TRUE);
  if (progressDialog_->Hwnd()) DestroyWindow(progressDialog_->Hwnd());
  progressDialog_.reset();
  statusView_.ResumeReports();
  SetCursor(previous);
  if (std::exchange(closeAfterRun_, false)) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  return 0;
}

void CMainFrame::ShowAbout() {
  CAboutDlg about;
  about.DoModal(instance_, IDD_ABOUTBOX, hwnd_);
}

LRESULT CMainFrame::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      return OnCreated() ? 0 : -1;
    case WM_SIZE:
      LayoutPanes();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        lastFocus_ = focus && IsChild(hwnd_, focus) ? focus : nullptr;
      }
      return Default(msg, wp, lp);
    case WM_SETFOCUS: {
      // The keyboard goes back where it was, or to the page's first control.
      HWND target = lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_) && IsChild(hwnd_, lastFocus_)
                        ? lastFocus_
                        : FirstPageControl();
      if (!target) target = menuView_.List();
      if (target) SetFocus(target);
      return 0;
    }
    case WM_SIZING: {
      auto* rc = reinterpret_cast<RECT*>(lp);
      const int width = ScaleToDpi(kFrameWidth, dpi_), height = ScaleToDpi(kFrameHeight, dpi_);
      if (rc->right - rc->left < width) rc->right = rc->left + width;
      if (rc->bottom - rc->top < height) rc->bottom = rc->top + height;
      return TRUE;
    }
    case WM_DPICHANGED: {
      // Moved to a monitor of another resolution: the size the system
      // suggests, and the panes laid out again at the new resolution.
      dpi_ = HIWORD(wp) != 0 ? HIWORD(wp) : kStandardDpi;
      const auto* suggested = reinterpret_cast<const RECT*>(lp);
      if (suggested) {
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      menuView_.SetDpi(*this, dpi_);
      LayoutPanes();
      return 0;
    }
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == kAboutCommand) {
        ShowAbout();
        return 0;
      }
      return Default(msg, wp, lp);
    case WM_COMMAND:
      if (LOWORD(wp) == kAboutCommand) {
        ShowAbout();
        return 0;
      }
      return Default(msg, wp, lp);
    case WM_CLOSE:
      OnCloseRequest();
      return 0;
    case WM_QUERYENDSESSION:
      if (onSessionEnd) onSessionEnd();
      return TRUE;
    case WM_ENDSESSION:
      // Again at the end itself: the settings may have changed since the query.
      if (wp && onSessionEnd) onSessionEnd();
      return 0;
    case WM_VX_CREATE_PROGRESS:
      return CreateProgressDialog(reinterpret_cast<HWND>(wp));
    case WM_VX_NEXT_PAGE:
      // Ctrl+Page Down and Ctrl+Page Up: the keyboard follows to the page shown.
      if (!progressDialog_ && menuView_.ShowNextPage(wp != 0)) {
        if (HWND first = FirstPageControl()) SetFocus(first);
      }
      return 0;
    case WM_VX_RUN_PROGRESS:
      return RunProgressDialog(reinterpret_cast<const WaitRecord*>(wp), reinterpret_cast<HWND>(lp));
    case WM_VX_STATUS_RELOAD:
      if (statusView_.Hwnd()) PostMessageW(statusView_.Hwnd(), msg, wp, lp);
      return 0;
    case WM_VX_STATUS_QUERY: {
      if (!statusView_.Hwnd()) return 0;
      statusQuery_ = true;
      SendMessageW(statusView_.Hwnd(), msg, wp, lp);
      statusQuery_ = false;
      // A close that came during the wait is carried out when no run follows.
      const int32_t status = wp ? *reinterpret_cast<const int32_t*>(wp) : -1;
      if (closeAfterRun_ && !progressDialog_ && !CEngineCommCtrl::StatusAllowsRun(status)) {
        closeAfterRun_ = false;
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      }
      return 0;
    }
    case WM_VX_STATUS_REFRESH:
    case WM_VX_STATUS_IGNORE:
      if (statusView_.Hwnd()) SendMessageW(statusView_.Hwnd(), msg, wp, lp);
      return 0;
    case WM_DESTROY:
      // Plug-ins close their pages while the page pane still exists.
      menuView_.ReleaseItems();
      RemovePropW(hwnd_, kInstancePropertyName);
      RemovePropW(hwnd_, kMissingLanguageFilesProperty);
      PostQuitMessage(0);
      return 0;
    default:
      return Default(msg, wp, lp);
  }
}

bool CDocArrangement::Register() {
  return CWindow::RegisterWindowClass(instance_, CMainFrame::kClassName, 0,
                                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                                      LoadIconW(instance_, MAKEINTRESOURCEW(IDR_MAINFRAME))) &&
         CWindow::RegisterWindowClass(instance_, CUtilDummyView::kClassName);
}

CMainFrame* CDocArrangement::CreateMainWindow(UtilitySettings& settings, CPrinterSettingsList* settingsList,
                                              const uint32_t& connectState) {
  document_ = std::make_unique<CUtlDoc>();
  frame_ = std::make_unique<CMainFrame>(settings, settingsList, connectState);
  if (!frame_->CreateFrame(instance_)) {
    frame_.reset();
    return nullptr;
  }
  frame_->InitialUpdate();
  return frame_.get();
}
