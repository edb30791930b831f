#include "shell/Splash.h"

#include "shell/MainFrame.h"

namespace {
const wchar_t kSplashClass[] = L"VXUtilSplash";
constexpr UINT_PTR kTimerId = 1;
}  // namespace

CSplash::CSplash(HINSTANCE instance, const std::atomic<HWND>* mainWindow)
    : instance_(instance), mainWindow_(mainWindow), ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = std::thread([this] { ThreadMain(); });
  // Returning only once the window exists lets a close request never miss it.
  if (ready_) WaitForSingleObject(ready_, 5000);
}

CSplash::~CSplash() {
  RequestClose();
  if (thread_.joinable()) thread_.join();
  if (ready_) CloseHandle(ready_);
}

void CSplash::RequestClose() {
  if (HWND w = window_.load()) PostMessageW(w, WM_CLOSE, 0, 0);
}

void CSplash::ThreadMain() noexcept {
  try {
    WNDCLASSEXW wc = {sizeof(wc)};
    wc.lpfnWndProc = &CSplash::WindowProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, IDC_WAIT);
    wc.lpszClassName = kSplashClass;
    RegisterClassExW(&wc);  // fails harmlessly when already registered

    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int dpi = WindowDpi(nullptr);
    const int width = ScaleToDpi(kFrameWidth, dpi), height = ScaleToDpi(kFrameHeight, dpi);
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    HWND w = CreateWindowExW(WS_EX_TOOLWINDOW, kSplashClass, L"", WS_POPUP | WS_VISIBLE, x, y, width, height,
                             nullptr, nullptr, instance_, this);
    window_.store(w);
    if (ready_) SetEvent(ready_);
    if (!w) return;
    UpdateWindow(w);
    SetForegroundWindow(w);
    SetTimer(w, kTimerId, kDisplayTimeMs, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  } catch (...) {
    if (ready_) SetEvent(ready_);
  }
}

LRESULT CALLBACK CSplash::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  }
  auto* self = reinterpret_cast<CSplash*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // paints nothing: it only marks the area with the wait cursor
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_TIMER: {
      HWND main = self->mainWindow_ ? self->mainWindow_->load() : nullptr;
      if (!main || !IsWindow(main)) SetTimer(hwnd, kTimerId, 100, nullptr);
      else DestroyWindow(hwnd);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY: {
      KillTimer(hwnd, kTimerId);
      self->window_.store(nullptr);
      HWND main = self->mainWindow_ ? self->mainWindow_->load() : nullptr;
      if (main && IsWindow(main)) SetForegroundWindow(main);
      PostQuitMessage(0);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}
