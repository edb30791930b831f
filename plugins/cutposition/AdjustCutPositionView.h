#pragma once
// The cut-position page: the adjustment of the auto-cutter's cut position,
// read from the printer, edited in millimetres, previewed, and written to the
// printer (or, when the utility writes a setting file, to the data store only).

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "framework/CommonFormView.h"
#include "framework/FormViewCtrl.h"
#include "plugins/cutposition/AdjustControls.h"
#include "plugins/cutposition/AdjustValueRules.h"
#include "plugins/cutposition/CutPositionWrite.h"

// The page's data block: id 0x10011, 40 bytes.
constexpr int32_t kCutPositionBlockId = 0x10011;
constexpr uint32_t kCutPositionBlockSize = 40;
constexpr std::size_t kCutAvailableOffset = 32;  // 1: the printer has the adjustment
constexpr std::size_t kCutAdjustmentOffset = 36;  // signed units; + forward, - backward

class CAdjustCutPositionView : public CSingleFormView {
public:
  CAdjustCutPositionView();

  void InitialUpdate() override;
  void OnPageShown() override;
  int32_t IsModified() override;
  int32_t ReadPrinterSettings() override;
  int32_t ApplyToSettingsData() override;
  int32_t ApplyToPrinter() override;

  virtual void OnSetClicked();
  // The write on the worker thread (PageWriteRoutine).
  int32_t Write();
  virtual void OnSpinDelta(NMUPDOWN* change);
  virtual void OnValueChanged();
  virtual void OnValueKillFocus();

  CEditAdjustValue& Edit() { return edit_; }
  CPreviewAdjustCutPosition& Preview() { return preview_; }

protected:
  BOOL OnInitDialog() override;
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCommand(int id, int code, HWND control) override;

private:
  static DWORD WINAPI WriteRoutine(void* page) noexcept;
  bool Available() const;
  void SetSpinPosition(int32_t units);

  CCalcAdjustValue calc_ = MakeCutPositionCalculator();
  CEditAdjustValue edit_;
  CPreviewAdjustCutPosition preview_;
  uint8_t working_[kCutPositionBlockSize] = {};
  uint8_t saved_[kCutPositionBlockSize] = {};
  int32_t pendingValue_ = 0;  // the value the write sends, taken on the window thread
};

class CAdjustCutPositionViewCtrl : public CFormViewCtrl {
public:
  CAdjustCutPositionViewCtrl() { blockSize = static_cast<int32_t>(kCutPositionBlockSize); }
  int32_t SetDefaultData(int32_t pluginId) override;
  void ResetState() override { state_ = 1; }
  void CreatePages() override;
  void OnPageShown() override;
};
