#pragma once
// The controller of a group of setting pages: creates them in the host's
// page pane, knows the host's frame window and the shared record, and holds
// the plug-in's data block identity.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "framework/LangResourceTable.h"
#include "framework/PluginApi.h"
#include "framework/UtilitySettings.h"

class CCommonFormView;

struct BlockHeader {
  uint8_t bytes[32];
};

class CFormViewCtrl {
public:
  CFormViewCtrl();
  virtual ~CFormViewCtrl();
  CFormViewCtrl(const CFormViewCtrl&) = delete;
  CFormViewCtrl& operator=(const CFormViewCtrl&) = delete;

  virtual int32_t SetDefaultData(int32_t pluginId);
  virtual int32_t GetDependData(PluginInfo* entries, int32_t* count);
  virtual int32_t CheckBeforeInitialize();
  virtual void OnPageShown();
  virtual void ResetState();
  virtual void CreatePages();
  virtual BlockHeader* MakeDataHeader(BlockHeader* header) const;
  virtual BlockHeader* MakeDataHeaderFrom(BlockHeader* header, int32_t id, int32_t version, int32_t size) const;

  // 0; -3 when already initialised; -4 (plug-in build) when the engine cannot
  // be opened; or CheckBeforeInitialize's code.
  [[nodiscard]] int32_t Initialize(UtilitySettings* settings, HWND frame, HWND parent);
  // -2 before Initialize; else destroys every page and returns 0.
  int32_t Finalize();
  // The save question when the host leaves the active page: 0 when the page
  // was left (and hidden), -5 when it stays.
  int32_t LeaveActivePage();

  HWND FrameWindow() const { return frame_; }
  HWND ParentWindow() const { return parent_; }
  UtilitySettings* Settings() const { return settings_; }
  const std::vector<CCommonFormView*>& Pages() const { return pages_; }
  CCommonFormView* ActivePage() const;
  int32_t ActiveIndex() const { return activeIndex_; }
  bool IsInitialized() const { return initialized_ != 0; }
  bool ShownOnce() const { return shownOnce_ != 0; }
  void SetShownOnce() { shownOnce_ = 1; }
  const CLangResourceTable& Texts() const { return texts_; }
  int32_t State() const { return state_; }

  int32_t pluginId;
  int32_t pluginVersion;
  int32_t blockSize = 0;
  int32_t engineHandle = 0;

protected:
  void AddPage(CCommonFormView* page) { pages_.push_back(page); }
  int32_t state_ = 0;

private:
  HWND parent_ = nullptr;
  HWND frame_ = nullptr;
  std::vector<CCommonFormView*> pages_;
  UtilitySettings* settings_ = nullptr;
  int32_t activeIndex_ = -1;
  int32_t initialized_ = 0;
  int32_t shownOnce_ = 0;
  CLangResourceTable texts_;  // "PLUGIN_COMMON"
};
