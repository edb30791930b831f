#pragma once
// Base classes for our windows and dialogs: one window procedure stores the
// object at creation and forwards every message to its virtual OnMessage. No
// exception leaves a window procedure.

#include <windows.h>

#include <functional>

// Waits for the handle (or, without one, until `until` holds, asked every
// 100 ms and after each message) while this thread goes on dispatching its
// messages, so that its windows keep answering. A quit request that arrives
// meanwhile is posted again once the wait is over.
void WaitAnswering(HANDLE handle, const std::function<bool()>& until = {});

class CWindow {
public:
  CWindow() = default;
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;
  virtual ~CWindow();

  HWND Hwnd() const { return hwnd_; }

  // Registers a window class whose procedure is ours (once per class name).
  static bool RegisterWindowClass(HINSTANCE instance, const wchar_t* className, UINT style = 0,
                                  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                                  HICON icon = nullptr);
  // Creates the window; this object receives its messages until WM_NCDESTROY.
  HWND Create(HINSTANCE instance, const wchar_t* className, const wchar_t* title, DWORD style,
              DWORD exStyle, int x, int y, int width, int height, HWND parent, HMENU menuOrId);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

protected:
  virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }
  // Called after WM_NCDESTROY, when the window is gone.
  virtual void OnFinalDestroy() {}

  HWND hwnd_ = nullptr;
};

class CDialog {
public:
  CDialog() = default;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;
  virtual ~CDialog();

  HWND Hwnd() const { return hwnd_; }

  INT_PTR DoModal(HINSTANCE instance, int templateId, HWND owner);
  HWND CreateModeless(HINSTANCE instance, int templateId, HWND owner);

  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // Returns TRUE when handled (with the result set by SetResult if needed).
  virtual INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  virtual void OnCommand(int id, int code, HWND control);
  virtual void OnOK() { End(IDOK); }
  virtual void OnCancel() { End(IDCANCEL); }
  void End(INT_PTR result);
  void SetResult(LRESULT result) { SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result); }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

  // Printer talk that may take seconds: the work runs on a thread of its
  // own while this dialog is disabled and its thread goes on answering
  // messages (a window that stops answering is "not responding" to the
  // user). Commands and close requests that arrive meanwhile are dropped.
  // The work must not touch windows. Without a window it runs here.
  void RunResponsive(const std::function<void()>& work);
  template <class Work>
  auto Responsive(Work&& work) -> decltype(work()) {
    decltype(work()) result{};
    RunResponsive([&] { result = work(); });
    return result;
  }
  bool Busy() const { return busy_; }

  HWND hwnd_ = nullptr;
  bool modal_ = false;

private:
  bool busy_ = false;
};
