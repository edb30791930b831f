#pragma once
// Window messages between the main frame, its panes, the pages and plug-ins.

#include <windows.h>

#include <cstdint>

constexpr UINT WM_VX_CREATE_PROGRESS = WM_USER + 100;  // -> frame: hidden progress dialog, returns its window
constexpr UINT WM_VX_RUN_PROGRESS = WM_USER + 101;     // -> frame: wParam wait record; -1 without a dialog
constexpr UINT WM_VX_START_WAITING = WM_USER + 102;    // frame -> progress dialog
constexpr UINT WM_VX_STATUS_RELOAD = WM_USER + 200;    // -> frame (posted on to the status pane)
constexpr UINT WM_VX_STATUS_QUERY = WM_USER + 201;     // -> frame: wParam int32* receives the status code
constexpr UINT WM_VX_STATUS_REFRESH = WM_USER + 202;   // -> frame -> status pane
constexpr UINT WM_VX_STATUS_IGNORE = WM_USER + 203;    // -> frame -> status pane
constexpr UINT WM_VX_STATUS_CHANGED = WM_USER + 204;   // status callback -> status pane (posted)
constexpr UINT WM_VX_STATUS_PICTURE = WM_USER + 205;   // -> status pane
constexpr UINT WM_VX_NEXT_PAGE = WM_USER + 206;        // -> frame: wParam 1 the next page, 0 the one before

// What a page controller hands the frame for its progress dialog.
struct WaitRecord {
  HANDLE* workerThread;
  HANDLE* progressEvent;
  int32_t animationKind;  // 2: clip 149, otherwise 148
  int32_t showDelayMs;
};
