#include "connection/CommStateDlg.h"

#include <commctrl.h>

#include <ctime>

#include "app/resource.h"
#include "win/MandatedWait.h"

HWND CCommStateDlg::CreateHidden(HINSTANCE instance, HWND owner) {
  instance_ = instance;
  HWND dialog = CreateModeless(instance, IDD_COMM_STATE, owner);
  if (dialog) ShowWindow(dialog, SW_HIDE);
  return dialog;
}

void CCommStateDlg::SetWaitRecord(const WaitRecord& record) {
  threadHandleAddress_ = record.workerThread;
  progressEventAddress_ = record.progressEvent;
  animation_ = record.animationKind == 2 ? IDR_CLIP_READ : IDR_CLIP_WRITE;
  showDelay_ = record.showDelayMs;
}

BOOL CCommStateDlg::OnInitDialog() {
  SendDlgItemMessageW(hwnd_, IDC_COMM_PROGRESS, PBM_SETRANGE32, 0, 100);
  SendDlgItemMessageW(hwnd_, IDC_COMM_PROGRESS, PBM_SETPOS, 0, 0);
  return TRUE;
}

void CCommStateDlg::RunModalLoop() {
  ended_ = false;
  finishing_ = false;
  while (!ended_ && hwnd_) {
    // Woken by the worker's end as well as by messages: the dialog closes
    // when the run is over, not up to two polls later.
    HANDLE thread = threadHandleAddress_ && !finishing_ ? *threadHandleAddress_ : nullptr;
    const DWORD woke = MsgWaitForMultipleObjectsEx(thread ? 1 : 0, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (thread && woke == WAIT_OBJECT_0) {
      Finish();
      continue;
    }
    MSG msg;
    while (!ended_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      if (!IsDialogMessageW(hwnd_, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
}

void CCommStateDlg::Finish() {
  if (finishing_) return;
  finishing_ = true;
  KillTimer(hwnd_, kPollTimer);
  KillTimer(hwnd_, kShowTimer);
  if (shownAt_ != 0) {
    // The bar's last position shows during the stay.
    SendDlgItemMessageW(hwnd_, IDC_COMM_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(progress_), 0);
    UpdateWindow(GetDlgItem(hwnd_, IDC_COMM_PROGRESS));
    if (static_cast<int64_t>(std::time(nullptr)) - shownAt_ <= 1) {
      // The stay is kept by a timer: the window thread goes on answering.
      AnnounceMandatedWait(L"progress stay", kStayMs);
      SetTimer(hwnd_, kStayTimer, kStayMs, nullptr);
      return;
    }
  }
  PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

bool CCommStateDlg::RunUnderWay() const {
  HANDLE thread = threadHandleAddress_ ? *threadHandleAddress_ : nullptr;
  return thread && !finishing_ && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
}

void CCommStateDlg::Show() {
  KillTimer(hwnd_, kShowTimer);
  RECT self = {}, area = {};
  GetWindowRect(hwnd_, &self);
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  if (owner) GetWindowRect(owner, &area);
  else SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const int w = self.right - self.left;
  const int h = self.bottom - self.top;
  SetWindowPos(hwnd_, HWND_TOP, area.left + (area.right - area.left - w) / 2,
               area.top + (area.bottom - area.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  shownAt_ = static_cast<int64_t>(std::time(nullptr));
  HWND clip = GetDlgItem(hwnd_, IDC_COMM_ANIMATION);
  Animate_Close(clip);
  SendMessageW(clip, ACM_OPENW, reinterpret_cast<WPARAM>(instance_), reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(animation_)));
  Animate_Play(clip, 0, -1, -1);
}

void CCommStateDlg::Poll() {
  HANDLE handles[2] = {progressEventAddress_ ? *progressEventAddress_ : nullptr,
                       threadHandleAddress_ ? *threadHandleAddress_ : nullptr};
  if (!handles[0] || !handles[1]) {
    // Nothing to wait for: end rather than spin for ever.
    KillTimer(hwnd_, kPollTimer);
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    return;
  }
  const DWORD result = WaitForMultipleObjects(2, handles, FALSE, 1);
  if (result == WAIT_OBJECT_0 + 1) {
    Finish();
  } else if (result == WAIT_TIMEOUT) {
    return;
  } else {
    SendDlgItemMessageW(hwnd_, IDC_COMM_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(progress_), 0);
    ResetEvent(handles[0]);
  }
}

void CCommStateDlg::OnCommand(int, int, HWND) {
  // Enter and Escape are not OK or Cancel here: only the end of the worker closes it.
}

INT_PTR CCommStateDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_VX_START_WAITING:
      SetTimer(hwnd_, kShowTimer, static_cast<UINT>(showDelay_ > 0 ? showDelay_ : 1), nullptr);
      SetTimer(hwnd_, kPollTimer, kPollMs, nullptr);
      SetResult(0);
      return TRUE;
    case WM_USER + 103: {
      const int32_t value = static_cast<int32_t>(wp);
      if (value >= progress_) {
        progress_ = value;
        SetResult(0);
      } else {
        SetResult(-1);
      }
      return TRUE;
    }
    case WM_TIMER:
      if (wp == kShowTimer) Show();
      else if (wp == kPollTimer) Poll();
      else if (wp == kStayTimer) {
        KillTimer(hwnd_, kStayTimer);
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      }
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_CLOSE && RunUnderWay()) return TRUE;
      return CDialog::OnMessage(msg, wp, lp);
    case WM_CLOSE:
      if (RunUnderWay()) return TRUE;
      ended_ = true;
      return TRUE;
    default:
      return CDialog::OnMessage(msg, wp, lp);
  }
}
