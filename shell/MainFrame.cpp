#include "shell/MainFrame.h"

#include "app/resource.h"
#include "connection/PrinterSelectDlg.h"
#include "framework/TextFormat.h"

const wchar_t CUtilDummyView::kClassName[] = L"VXUtilDummyView";
const wchar_t CMainFrame::kClassName[] = L"VXUtilMainFrame";

namespace {

BOOL CALLBACK ForwardSize(HWND child, LPARAM lp) {
  auto* msg = reinterpret_cast<const MSG*>(lp);
  SendMessageW(child, WM_SIZE, msg->wParam, msg->lParam);
  return TRUE;
}

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

CMainFrame::CMainFrame(const UtilitySettings& settings) : settings_(settings) {}

bool CMainFrame::CreateFrame(HINSTANCE instance) {
  instance_ = instance;
  const DWORD style = (WS_OVERLAPPEDWINDOW & ~(WS_MAXIMIZEBOX | WS_THICKFRAME)) | WS_CLIPCHILDREN;
  return Create(instance, kClassName, L"", style, 0, CW_USEDEFAULT, CW_USEDEFAULT, kFrameWidth,
                kFrameHeight, nullptr, nullptr) != nullptr;
}

void CMainFrame::OnCreated() {
  (void)texts_.FindLanguageFile(settings_.langDir, settings_.langId, kEnglishLangId);
  (void)texts_.LoadSection(L"MAIN_WINDOW");
  SetPropW(hwnd_, kInstancePropertyName, reinterpret_cast<HANDLE>(instance_));
  SetWindowTextW(hwnd_, FormatText(L"%s Utility %s", {L"VX-R500", L"Ver.1.10"}).c_str());
  HMENU systemMenu = GetSystemMenu(hwnd_, FALSE);
  DeleteMenu(systemMenu, SC_SIZE, MF_BYCOMMAND);
  DeleteMenu(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND);

  RECT client = {};
  GetClientRect(hwnd_, &client);
  pageView_.Create(instance_, CUtilDummyView::kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                   0, 0, 1, 1, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDD_DUMMY_VIEW)));

  RECT frame = {};
  GetWindowRect(hwnd_, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

LRESULT CMainFrame::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      OnCreated();
      return 0;
    case WM_SIZING: {
      auto* rc = reinterpret_cast<RECT*>(lp);
      if (rc->right - rc->left < kFrameWidth) rc->right = rc->left + kFrameWidth;
      if (rc->bottom - rc->top < kFrameHeight) rc->bottom = rc->top + kFrameHeight;
      return TRUE;
    }
    case WM_DESTROY:
      RemovePropW(hwnd_, kInstancePropertyName);
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

CMainFrame* CDocArrangement::CreateMainWindow(const UtilitySettings& settings) {
  document_ = std::make_unique<CUtlDoc>();
  frame_ = std::make_unique<CMainFrame>(settings);
  if (!frame_->CreateFrame(instance_)) {
    frame_.reset();
    return nullptr;
  }
  return frame_.get();
}
