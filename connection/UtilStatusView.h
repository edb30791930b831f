#pragma once
// The status pane across the bottom of the main window: the printer's name,
// the port it is connected through and its live status. The communication
// library reports on a thread of its own; its callback only posts the report
// here, and every change happens on the window thread.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "connection/StatusRules.h"
#include "framework/LangResourceTable.h"
#include "framework/StaticItem.h"
#include "framework/UtilitySettings.h"
#include "printerinfo/PrinterSettingView.h"
#include "win/Window.h"

struct CMenuItem;
class VXC;

class CUtilStatusView : public CDialog {
public:
  CUtilStatusView(UtilitySettings& settings, const uint32_t& connectState);
  ~CUtilStatusView() override;

  // Creates the pane on template 135 as a child of parent.
  bool CreatePane(HINSTANCE instance, HWND parent, int id);

  // Called by the frame once the menu pane has its items: shows the first
  // status and starts listening to the library.
  void Attach(const std::vector<std::unique_ptr<CMenuItem>>& items);

  // The status index shown now (what the frame answers a page's query with).
  int32_t Status() const { return state_.shownIndex; }
  // Around a printer run the library's reports stop and start again; the
  // pane is the one place that registers and unregisters its callback.
  void PauseReports();
  void ResumeReports();
  // Tells whether the frame runs a progress dialog now (no refresh then).
  std::function<bool()> progressRunning;

  // The texts shown now, for the frame and the tests.
  std::wstring NameLine() const;
  std::wstring PortLine() const;
  std::wstring StatusLine() const;

  // Called by the library on its own thread: only posts the report.
  static void StatusCallback(int32_t status, void* context);

protected:
  BOOL OnInitDialog() override;
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnOK() override {}
  void OnCancel() override {}

private:
  int32_t ReloadLines();
  // Re-reads the printer's information and the plug-ins' settings: 1, -67
  // when another printer answers, or the read's failure.
  int32_t Refresh();
  void EnsurePrinterInfoBlock();
  LRESULT OnReport(int32_t code);
  // A run asked for while the printer restarts after the previous run waits
  // for it (its window disabled, the thread answering), up to the restart
  // wait's limit, instead of being refused for a status that will pass.
  void WaitOutRunRestart();
  std::wstring StatusText(int32_t index) const;
  void ShowStatusLine(const std::wstring& text);

  UtilitySettings& settings_;
  const uint32_t& connectState_;
  VXC* comm_ = nullptr;  // taken from the record on first use
  CPrinterSettingViewCtrl printerSettingCtrl_;
  const std::vector<std::unique_ptr<CMenuItem>>* items_ = nullptr;
  StatusState state_;
  bool paused_ = false;        // a printer run is under way
  uint64_t runEndedAt_ = 0;    // when the last printer run ended (tick count)
  std::wstring statusText_;
  int32_t pictureCode_ = -1;
  CLangResourceTable texts_;  // "PRT_STATUS"
  CStaticItem nameItem_, portItem_, statusItem_;
  CStaticPictureItem picture_;
  CBrush windowBrush_;
  bool registered_ = false;
  bool resumeAfterPause_ = false;
};
