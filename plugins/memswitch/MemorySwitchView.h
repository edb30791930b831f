#pragma once
// The "Memory Switches" page: the offered bits of memory switches 1, 2, 5
// and 8 as check boxes, read from the printer, written to it in user-setting
// mode and read back after its restart (or, when the utility writes a setting
// file, kept in the data store only).

#include <windows.h>

#include <cstdint>

#include "framework/CommonFormView.h"
#include "framework/FormViewCtrl.h"
#include "plugins/memswitch/MemorySwitchRules.h"

class CMemorySwitchView : public CSingleFormView {
public:
  CMemorySwitchView();

  void InitialUpdate() override;
  void OnPageShown() override;
  int32_t IsModified() override;
  int32_t ReadPrinterSettings() override;
  int32_t ApplyToSettingsData() override;
  int32_t ApplyToPrinter() override;
  virtual void OnSetClicked();
  // The write on the worker thread (PageWriteRoutine).
  int32_t Write();

protected:
  void OnCommand(int id, int code, HWND control) override;

private:
  void ShowSwitches();
  void TakeSwitches();

  uint8_t working_[kMemorySwitchBlockSize] = {};
  uint8_t saved_[kMemorySwitchBlockSize] = {};
  CustomParamRecord pending_ = {};  // what the write sends, taken on the window thread
};

class CMemorySwitchViewCtrl : public CFormViewCtrl {
public:
  CMemorySwitchViewCtrl();
  int32_t SetDefaultData(int32_t pluginId) override;
  void ResetState() override { state_ = 1; }
  void CreatePages() override;
  void OnPageShown() override;
};
