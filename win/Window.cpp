#include "win/Window.h"

#include <exception>
#include <thread>

CWindow::~CWindow() {
  if (hwnd_ && IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

bool CWindow::RegisterWindowClass(HINSTANCE instance, const wchar_t* className, UINT style,
                                  HBRUSH background, HICON icon) {
  WNDCLASSEXW existing = {sizeof(existing)};
  if (GetClassInfoExW(instance, className, &existing)) return true;
  WNDCLASSEXW wc = {sizeof(wc)};
  wc.style = style;
  wc.lpfnWndProc = &CWindow::WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.hIcon = icon;
  wc.lpszClassName = className;
  return RegisterClassExW(&wc) != 0;
}

HWND CWindow::Create(HINSTANCE instance, const wchar_t* className, const wchar_t* title,
                     DWORD style, DWORD exStyle, int x, int y, int width, int height, HWND parent,
                     HMENU menuOrId) {
  return CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menuOrId,
                         instance, this);
}

LRESULT CALLBACK CWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  try {
    if (msg == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
      auto* window = static_cast<CWindow*>(create->lpCreateParams);
      window->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* self = reinterpret_cast<CWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
      const LRESULT result = self->OnMessage(msg, wp, lp);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      self->OnFinalDestroy();
      return result;
    }
    return self->OnMessage(msg, wp, lp);
  } catch (...) {
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT CWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

CDialog::~CDialog() {
  if (hwnd_ && IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    if (!modal_) DestroyWindow(hwnd_);
  }
}

INT_PTR CDialog::DoModal(HINSTANCE instance, int templateId, HWND owner) {
  modal_ = true;
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, &CDialog::DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

HWND CDialog::CreateModeless(HINSTANCE instance, int templateId, HWND owner) {
  modal_ = false;
  return CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, &CDialog::DialogProc,
                            reinterpret_cast<LPARAM>(this));
}

void CDialog::End(INT_PTR result) {
  if (modal_) EndDialog(hwnd_, result);
  else DestroyWindow(hwnd_);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  try {
    if (msg == WM_INITDIALOG) {
      auto* dialog = reinterpret_cast<CDialog*>(lp);
      dialog->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, DWLP_USER, lp);
      return dialog->OnInitDialog();
    }
    auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
      return FALSE;
    }
    // Whatever asks the dialog to act or to close while its printer talk
    // runs would act on a state that is about to change under it.
    if (self->busy_ && (msg == WM_COMMAND || msg == WM_CLOSE ||
                        (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_CLOSE))) {
      return TRUE;
    }
    return self->OnMessage(msg, wp, lp);
  } catch (...) {
    return FALSE;
  }
}

void WaitAnswering(HANDLE handle, const std::function<bool()>& until) {
  if (!handle && !until) return;
  bool quit = false;
  WPARAM quitCode = 0;
  const DWORD count = handle ? 1 : 0;
  while (!(until && until())) {
    const DWORD woke = MsgWaitForMultipleObjects(count, &handle, FALSE, until ? 100 : INFINITE, QS_ALLINPUT);
    if (woke == WAIT_FAILED || (handle && woke == WAIT_OBJECT_0)) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

void CDialog::RunResponsive(const std::function<void()>& work) {
  HANDLE done = hwnd_ && !busy_ ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
  if (!done) {
    work();
    return;
  }
  busy_ = true;
  const bool wasEnabled = IsWindowEnabled(hwnd_) != FALSE;
  const HWND focus = GetFocus();
  EnableWindow(hwnd_, FALSE);
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    SetEvent(done);
  });
  WaitAnswering(done);
  worker.join();
  CloseHandle(done);
  busy_ = false;
  if (hwnd_ && wasEnabled) EnableWindow(hwnd_, TRUE);
  if (focus && IsWindow(focus)) SetFocus(focus);
  if (failure) std::rethrow_exception(failure);
}

INT_PTR CDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND) {
    OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    return TRUE;
  }
  return FALSE;
}

void CDialog::OnCommand(int id, int /*code*/, HWND /*control*/) {
  if (id == IDOK) OnOK();
  else if (id == IDCANCEL) OnCancel();
}
