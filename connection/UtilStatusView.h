#pragma once
// The status pane across the bottom of the main window: the printer's name,
// port and live status.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/UtilitySettings.h"
#include "win/Window.h"

struct CMenuItem;

class CUtilStatusView : public CWindow {
public:
  static const wchar_t kClassName[];

  CUtilStatusView(UtilitySettings& settings, const uint32_t& connectState);
  bool CreatePane(HINSTANCE instance, HWND parent, int id);

  // Called by the frame once the menu pane has its items.
  void Attach(const std::vector<std::unique_ptr<CMenuItem>>& items);

  int32_t Status() const { return status_; }
  // Registers the pane's status callback with the communication library.
  void RegisterStatusCallback();
  // Called by the library on its own thread: only posts the report.
  static void StatusCallback(int32_t status, void* context);

protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  UtilitySettings& settings_;
  const uint32_t& connectState_;
  const std::vector<std::unique_ptr<CMenuItem>>* items_ = nullptr;
  int32_t status_ = 2;  // "Cannot Get Status" until the printer reports
  bool ignoreReports_ = false;
};
