#pragma once
// The progress dialog shown while a page's worker thread talks to the
// printer. It appears only after its show delay, moves its bar upwards as the
// worker reports, stays at least about a second once shown, and closes itself
// when the worker thread has ended.

#include <windows.h>

#include <cstdint>

#include "framework/FrameMessages.h"
#include "win/Window.h"

class CCommStateDlg : public CDialog {
public:
  static constexpr UINT_PTR kShowTimer = 1;
  static constexpr UINT_PTR kStayTimer = 3;
  static constexpr UINT kStayMs = 1000;  // a dialog shown for a second or less stays this long
  static constexpr UINT_PTR kPollTimer = 10;
  static constexpr UINT kPollMs = 500;

  // Creates the dialog hidden, owned by owner.
  HWND CreateHidden(HINSTANCE instance, HWND owner);
  // Takes the wait record's fields.
  void SetWaitRecord(const WaitRecord& record);
  // Runs until the dialog ends itself; a quit request is passed on.
  void RunModalLoop();

  int32_t Progress() const { return progress_; }
  bool WasShown() const { return shownAt_ != 0; }

protected:
  BOOL OnInitDialog() override;
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCommand(int id, int code, HWND control) override;

private:
  void Show();
  void Poll();
  // The worker has ended: the stay when the dialog was shown, then the close.
  void Finish();
  // The worker still talks to the printer: the dialog may not be closed, by
  // Alt+F4 or the system menu, or its owner would come back to life while
  // the run goes on underneath.
  bool RunUnderWay() const;

  HINSTANCE instance_ = nullptr;
  HANDLE* threadHandleAddress_ = nullptr;
  HANDLE* progressEventAddress_ = nullptr;
  int animation_ = 148;
  int32_t showDelay_ = 0;
  int32_t progress_ = 0;
  int64_t shownAt_ = 0;
  bool ended_ = false;
  bool finishing_ = false;
};
