#include "plugins/cutposition/AdjustCutPositionView.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "framework/FrameworkConfig.h"
#include "framework/MessageBoxes.h"
#include "framework/PrinterSettingsList.h"
#include "framework/SettingsBlocks.h"
#include "makerlibs/include/CustomParamEngineApi.h"
#include "plugins/common/PageWrite.h"
#include "plugins/cutposition/resource.h"

namespace {

int32_t AdjustmentOf(const uint8_t* block) { return static_cast<int32_t>(ReadLe32(block + kCutAdjustmentOffset)); }
void SetAdjustment(uint8_t* block, int32_t units) {
  WriteLe32(block + kCutAdjustmentOffset, static_cast<uint32_t>(units));
}

}  // namespace

CAdjustCutPositionView::CAdjustCutPositionView() : CSingleFormView(IDD_ADJUST_CUT_POSITION) {}

BOOL CAdjustCutPositionView::OnInitDialog() {
  edit_.Attach(Item(IDC_ADJUST_VALUE));
  preview_.Attach(Item(IDC_ADJUST_PREVIEW));
  return CSingleFormView::OnInitDialog();
}

void CAdjustCutPositionView::InitialUpdate() {
  CSingleFormView::InitialUpdate();
  texts_.ApplyCaptions(hwnd_);
  SendDlgItemMessageW(hwnd_, IDC_ADJUST_SPIN, UDM_SETRANGE32, static_cast<WPARAM>(calc_.minimum),
                      static_cast<LPARAM>(calc_.maximum));
  edit_.SetCalculator(&calc_);
  preview_.SetPreviewCalculator(&calc_);
  preview_.LayOut();

  int32_t low = 0, high = 0;
  calc_.ToDisplay(calc_.minimum, &low);
  calc_.ToDisplay(calc_.maximum, &high);
  const std::wstring range = TextOfTenths(low, calc_.decimals) + L" ~ " + TextOfTenths(high, calc_.decimals) + L" mm";
  SetDlgItemTextW(hwnd_, IDC_ADJUST_RANGE, range.c_str());
}

bool CAdjustCutPositionView::Available() const {
  const UtilitySettings* s = Settings();
  return s && s->printerInfo114 != 0;
}

void CAdjustCutPositionView::SetSpinPosition(int32_t units) {
  SendDlgItemMessageW(hwnd_, IDC_ADJUST_SPIN, UDM_SETPOS32, 0, static_cast<LPARAM>(units));
}

void CAdjustCutPositionView::OnPageShown() {
  if (ReadOwnData(working_, sizeof(working_)) != kSettingsOk) {
    // A store without the block: its defaults, as the host registers them.
    BlockHeader header;
    if (controller_) std::memcpy(working_, controller_->MakeDataHeader(&header)->bytes, sizeof(header.bytes));
    working_[kCutAvailableOffset] = 1;
    SetAdjustment(working_, 0);
  }
  std::memcpy(saved_, working_, sizeof(saved_));
  const bool available = Available();
  for (int id : {IDC_ADJUST_LABEL, IDC_ADJUST_VALUE, IDC_ADJUST_SPIN, IDC_ADJUST_UNIT, IDC_ADJUST_SET}) {
    EnableWindow(Item(id), available ? TRUE : FALSE);
  }
  working_[kCutAvailableOffset] = available ? 1 : 0;
  if (available) {
    edit_.SetValue(AdjustmentOf(working_));
    preview_.SetStoredValue(AdjustmentOf(working_));
  } else {
    edit_.SetValue(0);
    preview_.SetStoredValue(0);
    preview_.SetCurrentValue(0);
  }
}

int32_t CAdjustCutPositionView::IsModified() {
  if (working_[kCutAvailableOffset] == 0) return 0;
  SetAdjustment(working_, edit_.GetValue());
  return std::memcmp(working_, saved_, sizeof(working_)) != 0 ? 1 : 0;
}

int32_t CAdjustCutPositionView::ReadPrinterSettings() {
  uint8_t block[kCutPositionBlockSize] = {};
  if (ReadOwnData(block, sizeof(block)) != kSettingsOk) return 1;  // nothing to keep it in
  const bool available = Available();
  block[kCutAvailableOffset] = available ? 1 : 0;
  if (!available) {
    SetAdjustment(block, 0);
  } else if (worker.engineHandle != 0) {
    CustomParamRecord record = CutPositionRecord();
    if (CPE_Get(worker.engineHandle, &record) == kCpeOk) {
      const int32_t forward = record.forward, backward = record.backward;
      SetAdjustment(block, forward != 0 && backward == 0 ? forward : forward == 0 && backward != 0 ? -backward : 0);
    }
  }
  (void)WriteOwnData(block, sizeof(block));
  return 1;
}

int32_t CAdjustCutPositionView::ApplyToSettingsData() {
  SetAdjustment(working_, edit_.GetValue());
  return WriteOwnData(working_, sizeof(working_)) == kSettingsOk ? 1 : -1;
}

int32_t CAdjustCutPositionView::ApplyToPrinter() {
  pendingValue_ = edit_.GetValue();
  return RunPageWrite(*this, &CAdjustCutPositionView::WriteRoutine, texts_.MessageOr(1, L"Failed to change settings."));
}

DWORD WINAPI CAdjustCutPositionView::WriteRoutine(void* page) noexcept { return PageWriteRoutine<CAdjustCutPositionView>(page); }

int32_t CAdjustCutPositionView::Write() {
  const int32_t value = pendingValue_;
  SetAdjustment(working_, value);
  CPageWriteSteps steps(*this, [this] {
    const int32_t stored = WriteOwnData(working_, sizeof(working_));
    return stored == kSettingsOk ? 1 : stored;
  });
  return RunCutPositionWrite(steps, value);
}

void CAdjustCutPositionView::OnSetClicked() {
  const int32_t result = WritesSettingFile(*this) ? ApplyToSettingsData() : ApplyToPrinter();
  if (result != 1) return;
  std::memcpy(saved_, working_, sizeof(saved_));
  const int32_t v = edit_.GetValue();
  preview_.SetStoredValue(v);
  preview_.SetCurrentValue(v);
}

void CAdjustCutPositionView::OnValueChanged() {
  const int32_t v = edit_.GetValue();
  SetSpinPosition(v);
  preview_.SetCurrentValue(v);
}

void CAdjustCutPositionView::OnValueKillFocus() {
  edit_.NormalizeText();
  const int32_t v = edit_.GetValue();
  SetSpinPosition(v);
  preview_.SetCurrentValue(v);
}

void CAdjustCutPositionView::OnSpinDelta(NMUPDOWN* change) {
  const int64_t target = static_cast<int64_t>(change->iPos) + change->iDelta;
  const auto a = static_cast<int32_t>(std::clamp<int64_t>(target, calc_.minimum, calc_.maximum));
  edit_.SetValue(a);
  preview_.SetCurrentValue(edit_.GetValue());
  change->iDelta = 0;
}

void CAdjustCutPositionView::OnCommand(int id, int code, HWND control) {
  if (id == IDC_ADJUST_SET && code == BN_CLICKED) OnSetClicked();
  else if (id == IDC_ADJUST_VALUE && code == EN_CHANGE) OnValueChanged();
  else if (id == IDC_ADJUST_VALUE && code == EN_KILLFOCUS) OnValueKillFocus();
  else CSingleFormView::OnCommand(id, code, control);
}

INT_PTR CAdjustCutPositionView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lp);
    if (header && header->idFrom == IDC_ADJUST_SPIN && header->code == UDN_DELTAPOS) {
      OnSpinDelta(reinterpret_cast<NMUPDOWN*>(lp));
      SetResult(0);  // the change is allowed
      return TRUE;
    }
  }
  return CSingleFormView::OnMessage(msg, wp, lp);
}

int32_t CAdjustCutPositionViewCtrl::SetDefaultData(int32_t id) {
  if (id != kCutPositionBlockId) return -1;
  uint8_t block[kCutPositionBlockSize] = {};
  BlockHeader header;
  std::memcpy(block, MakeDataHeader(&header)->bytes, sizeof(header.bytes));
  block[kCutAvailableOffset] = 1;
  SetAdjustment(block, 0);
  UtilitySettings* s = Settings();
  if (!s || !s->printerSettingsList) return -1;
  return s->printerSettingsList->WriteBlock(id, sizeof(block), block);
}

void CAdjustCutPositionViewCtrl::CreatePages() {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  AddPage(new CAdjustCutPositionView());
}

void CAdjustCutPositionViewCtrl::OnPageShown() {
  if (auto* page = dynamic_cast<CAdjustCutPositionView*>(ActivePage())) page->OnPageShown();
}
