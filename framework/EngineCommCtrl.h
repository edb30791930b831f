#pragma once
// Runs one piece of printer communication on a worker thread while the host
// shows its progress dialog, under the lock that serialises all printer
// traffic of the process.

#include <windows.h>

#include <cstdint>

class CCommonFormView;

class CEngineCommCtrl {
public:
  using ThreadRoutine = DWORD(WINAPI*)(void* page);
  using ProgressCallback = void (*)(int32_t progress, void* context);

  // Printer statuses in which a run may start.
  static bool StatusAllowsRun(int32_t status);

  virtual ~CEngineCommCtrl();

  // The thread's exit code, or -25 (no host or no dialog, thread not
  // created), -64 (printer status forbids it) or -24 (thread not resumed).
  int32_t RunOnWorkerThread(CCommonFormView* page, int32_t engineHandle);

  // Sends the progress to the dialog and signals the progress event.
  static void StandardProgressCallback(int32_t progress, void* context);

  // The last run was refused for the printer's status: nothing was sent.
  bool refusedForStatus = false;
  HWND progressDialog = nullptr;
  ThreadRoutine threadRoutine = nullptr;
  DWORD threadId = 0;
  HANDLE threadHandle = nullptr;
  HANDLE progressEvent = nullptr;
  ProgressCallback progressCallback = nullptr;
  int32_t engineHandle = 0;
};
