// The yardstick of the start-up benchmark: the least a Win32 program does to
// show a window (register a class, create and show it, run the message
// loop), started the same way as the utility. The window carries a property
// the bench looks for; closing it ends the program.

#include <windows.h>

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_DESTROY) {
    RemovePropW(hwnd, L"VX_BENCH_BARE");
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"VXBenchBareWindow";
  if (!RegisterClassW(&wc)) return 1;
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Bare window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                              400, 300, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  SetPropW(hwnd, L"VX_BENCH_BARE", reinterpret_cast<HANDLE>(1));
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
