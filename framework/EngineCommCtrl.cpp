#include "framework/EngineCommCtrl.h"

#include "framework/CommonFormView.h"
#include "framework/EngineBinding.h"
#include "framework/FormViewCtrl.h"
#include "framework/FrameMessages.h"
#include "framework/FrameworkConfig.h"

bool CEngineCommCtrl::StatusAllowsRun(int32_t status) {
  return status == 0 || status == 18 || status == 19 || status == 20 || status == 21 || status == 100;
}

CEngineCommCtrl::~CEngineCommCtrl() {
  if (threadHandle) CloseHandle(threadHandle);
  if (progressEvent) CloseHandle(progressEvent);
}

void CEngineCommCtrl::StandardProgressCallback(int32_t progress, void* context) {
  auto* self = static_cast<CEngineCommCtrl*>(context);
  if (!self) return;
  if (self->progressDialog) SendMessageW(self->progressDialog, WM_USER + 103, static_cast<WPARAM>(progress), 0);
  if (self->progressEvent) SetEvent(self->progressEvent);
}

int32_t CEngineCommCtrl::RunOnWorkerThread(CCommonFormView* page, int32_t engine) {
  CFormViewCtrl* controller = page ? page->Controller() : nullptr;
  if (!controller || !controller->FrameWindow()) return -25;
  HWND frame = controller->FrameWindow();
  UtilitySettings* settings = controller->Settings();

  int32_t status = -1;
  SendMessageW(frame, WM_VX_STATUS_QUERY, reinterpret_cast<WPARAM>(&status), 0);
  refusedForStatus = !StatusAllowsRun(status);
  if (refusedForStatus) return -64;

  CRITICAL_SECTION* lock = settings ? reinterpret_cast<CRITICAL_SECTION*>(settings->commLock) : nullptr;
  if (lock) EnterCriticalSection(lock);
  auto leave = [lock] {
    if (lock) LeaveCriticalSection(lock);
  };
  // The lock does not keep out the thread that holds it: a run started from
  // inside another run's progress loop would talk to the printer at the same
  // time as the first. Refuse it.
  if (lock && lock->RecursionCount > 1) {
    leave();
    return -25;
  }

  progressDialog = reinterpret_cast<HWND>(SendMessageW(frame, WM_VX_CREATE_PROGRESS, 0, 0));
  if (!progressDialog) {
    leave();
    return -25;
  }
  // The event first: without it the dialog could not tell progress from the
  // worker's end, and would close while the worker still talks to the printer.
  progressEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  threadHandle = progressEvent ? CreateThread(nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(threadRoutine),
                                              page, CREATE_SUSPENDED, &threadId)
                               : nullptr;
  if (!threadHandle) {
    // The dialog the frame made for this run goes with it.
    DestroyWindow(progressDialog);
    progressDialog = nullptr;
    if (progressEvent) CloseHandle(progressEvent);
    progressEvent = nullptr;
    leave();
    return -25;
  }
  SetThreadPriority(threadHandle, THREAD_PRIORITY_BELOW_NORMAL);
  ResetEvent(progressEvent);

  if (kPluginBuild && engine) {
    const EngineBinding& binding = FrameworkEngine();
    if (progressCallback && binding.registerProgress) binding.registerProgress(engine, progressCallback, this);
    else if (!progressCallback && binding.unregisterProgress) binding.unregisterProgress(engine);
  }

  if (ResumeThread(threadHandle) != 1) TerminateThread(threadHandle, static_cast<DWORD>(-24));

  WaitRecord record = {&threadHandle, &progressEvent, kProgressAnimationKind, kProgressShowDelayMs};
  SendMessageW(frame, WM_VX_RUN_PROGRESS, reinterpret_cast<WPARAM>(&record), 0);
  // The frame returns once the dialog has seen the thread end. Should it
  // return early, the window thread still answers while the worker ends;
  // otherwise nothing is dispatched before the page has the run's result
  // (a close posted at the run's end would find the page's change unsaved).
  if (WaitForSingleObject(threadHandle, 0) == WAIT_TIMEOUT) WaitAnswering(threadHandle);

  DWORD exitCode = 0;
  const int32_t result = GetExitCodeThread(threadHandle, &exitCode) ? static_cast<int32_t>(exitCode) : -24;
  CloseHandle(threadHandle);
  threadHandle = nullptr;
  if (progressEvent) CloseHandle(progressEvent);
  progressEvent = nullptr;
  progressDialog = nullptr;
  leave();
  return result;
}
