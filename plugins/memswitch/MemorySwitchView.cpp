#include "plugins/memswitch/MemorySwitchView.h"

#include <cstring>

#include "framework/PrinterSettingsList.h"
#include "framework/SettingsBlocks.h"
#include "plugins/common/PageWrite.h"
#include "plugins/memswitch/resource.h"

CMemorySwitchView::CMemorySwitchView() : CSingleFormView(IDD_MEMORY_SWITCH, L"VXU_MEMORY_SWITCH_DLL") {}

void CMemorySwitchView::InitialUpdate() {
  CSingleFormView::InitialUpdate();
  texts_.ApplyCaptions(hwnd_);
}

void CMemorySwitchView::ShowSwitches() {
  for (const SwitchBit& bit : SwitchBits()) {
    CheckDlgButton(hwnd_, bit.control, SwitchIsOn(working_, bit) ? BST_CHECKED : BST_UNCHECKED);
  }
}

void CMemorySwitchView::TakeSwitches() {
  for (const SwitchBit& bit : SwitchBits()) {
    SetSwitch(working_, bit, IsDlgButtonChecked(hwnd_, bit.control) == BST_CHECKED);
  }
}

void CMemorySwitchView::OnPageShown() {
  if (ReadOwnData(working_, sizeof(working_)) != kSettingsOk) {
    // A store without the block: its defaults, as the host registers them.
    std::memset(working_, 0, sizeof(working_));
    BlockHeader header;
    if (controller_) std::memcpy(working_, controller_->MakeDataHeader(&header)->bytes, sizeof(header.bytes));
  }
  std::memcpy(saved_, working_, sizeof(saved_));
  ShowSwitches();
}

int32_t CMemorySwitchView::IsModified() {
  TakeSwitches();
  return std::memcmp(working_, saved_, sizeof(working_)) != 0 ? 1 : 0;
}

int32_t CMemorySwitchView::ReadPrinterSettings() {
  uint8_t block[kMemorySwitchBlockSize] = {};
  if (ReadOwnData(block, sizeof(block)) != kSettingsOk) return 1;  // nothing to keep it in
  CustomParamRecord read = SwitchQuery();
  if (ReadRecord(*this, &read) == kCpeOk) {
    ApplySwitchRecord(read, block);
    (void)WriteOwnData(block, sizeof(block));
  }
  return 1;
}

int32_t CMemorySwitchView::ApplyToSettingsData() {
  TakeSwitches();
  return WriteOwnData(working_, sizeof(working_)) == kSettingsOk ? 1 : -1;
}

int32_t CMemorySwitchView::ApplyToPrinter() {
  TakeSwitches();
  pending_ = SwitchRecordFor(working_, saved_);
  // Settings memory wears: nothing changed, nothing is sent.
  if (!AnySwitchSent(pending_)) return ApplyToSettingsData();
  return RunPageWrite(*this, &PageWriteRoutine<CMemorySwitchView>, texts_.MessageOr(1, L"Failed to change settings."));
}

int32_t CMemorySwitchView::Write() {
  CPageWriteSteps steps(*this, [this] {
    const int32_t stored = WriteOwnData(working_, sizeof(working_));
    return stored == kSettingsOk ? 1 : stored;
  });
  return RunSettingWrite(steps, pending_, SwitchQuery(), &SwitchesMatch);
}

void CMemorySwitchView::OnSetClicked() {
  const int32_t result = WritesSettingFile(*this) ? ApplyToSettingsData() : ApplyToPrinter();
  if (result == 1) std::memcpy(saved_, working_, sizeof(saved_));
}

void CMemorySwitchView::OnCommand(int id, int code, HWND control) {
  if (id == IDC_SWITCH_SET && code == BN_CLICKED) OnSetClicked();
  else CSingleFormView::OnCommand(id, code, control);
}

CMemorySwitchViewCtrl::CMemorySwitchViewCtrl() {
  pluginId = kMemorySwitchBlockId;
  blockSize = static_cast<int32_t>(kMemorySwitchBlockSize);
}

int32_t CMemorySwitchViewCtrl::SetDefaultData(int32_t id) {
  if (id != kMemorySwitchBlockId) return -1;
  uint8_t block[kMemorySwitchBlockSize] = {};
  BlockHeader header;
  std::memcpy(block, MakeDataHeader(&header)->bytes, sizeof(header.bytes));
  UtilitySettings* s = Settings();
  if (!s || !s->printerSettingsList) return -1;
  return s->printerSettingsList->WriteBlock(id, sizeof(block), block);
}

void CMemorySwitchViewCtrl::CreatePages() { AddPage(new CMemorySwitchView()); }

void CMemorySwitchViewCtrl::OnPageShown() {
  if (auto* page = dynamic_cast<CMemorySwitchView*>(ActivePage())) page->OnPageShown();
}
