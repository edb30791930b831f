#include "plugins/customvalue/CustomValueView.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "framework/PrinterSettingsList.h"
#include "framework/SettingsBlocks.h"
#include "plugins/common/PageWrite.h"
#include "plugins/customvalue/resource.h"

CCustomValueView::CCustomValueView() : CSingleFormView(IDD_CUSTOMIZED_VALUE, L"VXU_CUSTOMIZED_VALUE_DLL") {}

void CCustomValueView::InitialUpdate() {
  CSingleFormView::InitialUpdate();
  texts_.ApplyCaptions(hwnd_);
  texts_.ApplyComboBoxItems(hwnd_);
  for (const ValueItem& item : ValueItems()) {
    if (item.isList) continue;
    SendDlgItemMessageW(hwnd_, item.control + IDC_VALUE_SPIN_OFFSET, UDM_SETRANGE32, item.low, item.high);
    SendDlgItemMessageW(hwnd_, item.control, EM_LIMITTEXT, 5, 0);
    const std::wstring range = L"(" + std::to_wstring(item.low) + L" - " + std::to_wstring(item.high) + L")";
    SetDlgItemTextW(hwnd_, item.control + IDC_VALUE_RANGE_OFFSET, range.c_str());
  }
}

void CCustomValueView::ShowValues() {
  for (const ValueItem& item : ValueItems()) {
    const uint32_t value = ValueOf(working_, item);
    if (!item.isList) {
      SetDlgItemInt(hwnd_, item.control, Clamped(item, value), FALSE);
      continue;
    }
    HWND list = Item(item.control);
    const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    int chosen = -1;
    for (int i = 0; i < count && chosen < 0; ++i) {
      if (static_cast<uint32_t>(SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == value) chosen = i;
    }
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
  }
}

void CCustomValueView::TakeValues() {
  if (!hwnd_) return;
  for (const ValueItem& item : ValueItems()) {
    if (item.isList) {
      HWND list = Item(item.control);
      const auto chosen = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
      // No choice (a printer value the list does not name) keeps the value.
      if (chosen >= 0) {
        SetValue(working_, item, static_cast<uint32_t>(SendMessageW(list, CB_GETITEMDATA, chosen, 0)));
      }
      continue;
    }
    BOOL read = FALSE;
    const UINT typed = GetDlgItemInt(hwnd_, item.control, &read, FALSE);
    if (read) SetValue(working_, item, Clamped(item, typed));
  }
}

bool CCustomValueView::ReadBlocks(ValueBlocks& blocks) {
  return ReadOwnData(blocks.values, sizeof(blocks.values)) == kSettingsOk &&
         ReadPluginData(kExtraValueBlockId, blocks.extra, sizeof(blocks.extra)) == kSettingsOk;
}

int32_t CCustomValueView::StoreBlocks(ValueBlocks& blocks) {
  const int32_t own = WriteOwnData(blocks.values, sizeof(blocks.values));
  if (own != kSettingsOk) return own;
  const int32_t extra = WritePluginData(kExtraValueBlockId, blocks.extra, sizeof(blocks.extra));
  return extra == kSettingsOk ? 1 : extra;
}

void CCustomValueView::OnPageShown() {
  if (!ReadBlocks(working_)) {
    // A store without the blocks: their defaults, as the host registers them.
    working_ = ValueBlocks{};
    BlockHeader header;
    if (controller_) {
      std::memcpy(working_.values, controller_->MakeDataHeader(&header)->bytes, sizeof(header.bytes));
      std::memcpy(working_.extra,
                  controller_->MakeDataHeaderFrom(&header, kExtraValueBlockId, controller_->pluginVersion,
                                                  kExtraValueBlockSize)->bytes,
                  sizeof(header.bytes));
    }
    SetDefaults(working_);
  }
  saved_ = working_;
  ShowValues();
}

int32_t CCustomValueView::IsModified() {
  TakeValues();
  return std::memcmp(&working_, &saved_, sizeof(working_)) != 0 ? 1 : 0;
}

int32_t CCustomValueView::ReadPrinterSettings() {
  ValueBlocks blocks;
  if (!ReadBlocks(blocks)) return 1;  // nothing to keep them in
  CustomParamRecord read = ValueQuery();
  if (ReadRecord(*this, &read) == kCpeOk && ApplyValueRecord(read, blocks)) (void)StoreBlocks(blocks);
  return 1;
}

int32_t CCustomValueView::ApplyToSettingsData() {
  TakeValues();
  return StoreBlocks(working_) == 1 ? 1 : -1;
}

int32_t CCustomValueView::ApplyToPrinter() {
  TakeValues();
  pending_ = ValueRecordFor(working_, &saved_);
  // Settings memory wears: nothing changed, nothing is sent.
  if (ValuesSent(pending_) == 0) return ApplyToSettingsData();
  return RunPageWrite(*this, &PageWriteRoutine<CCustomValueView>, texts_.MessageOr(1, L"Failed to change settings."));
}

int32_t CCustomValueView::Write() {
  CPageWriteSteps steps(*this, [this] { return StoreBlocks(working_); });
  return RunSettingWrite(steps, pending_, ValueQuery(), &ValuesMatch);
}

void CCustomValueView::OnSetClicked() {
  const int32_t result = WritesSettingFile(*this) ? ApplyToSettingsData() : ApplyToPrinter();
  if (result == 1) {
    saved_ = working_;
    ShowValues();
  }
}

void CCustomValueView::OnCommand(int id, int code, HWND control) {
  if (id == IDC_VALUE_SET && code == BN_CLICKED) {
    OnSetClicked();
  } else if (code == EN_KILLFOCUS && id >= IDC_VALUE_FIRST && id < IDC_VALUE_FIRST + 10) {
    // A typed number beyond the limits shows the limit it becomes.
    TakeValues();
    ShowValues();
  } else {
    CSingleFormView::OnCommand(id, code, control);
  }
}

CCustomValueViewCtrl::CCustomValueViewCtrl() {
  pluginId = kCustomValueBlockId;
  blockSize = static_cast<int32_t>(kCustomValueBlockSize);
}

int32_t CCustomValueViewCtrl::GetDependData(PluginInfo* entries, int32_t* count) {
  if (!count) return -1;
  if (entries && *count >= 1) entries[0] = {kExtraValueBlockId, pluginVersion, static_cast<int32_t>(kExtraValueBlockSize)};
  *count = 1;
  return 1;
}

int32_t CCustomValueViewCtrl::SetDefaultData(int32_t id) {
  if (id != kCustomValueBlockId && id != kExtraValueBlockId) return -1;
  UtilitySettings* s = Settings();
  if (!s || !s->printerSettingsList) return -1;
  ValueBlocks blocks;
  SetDefaults(blocks);
  BlockHeader header;
  if (id == kCustomValueBlockId) {
    std::memcpy(blocks.values, MakeDataHeader(&header)->bytes, sizeof(header.bytes));
    return s->printerSettingsList->WriteBlock(id, sizeof(blocks.values), blocks.values);
  }
  std::memcpy(blocks.extra, MakeDataHeaderFrom(&header, id, pluginVersion, kExtraValueBlockSize)->bytes,
              sizeof(header.bytes));
  return s->printerSettingsList->WriteBlock(id, sizeof(blocks.extra), blocks.extra);
}

void CCustomValueViewCtrl::CreatePages() {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  AddPage(new CCustomValueView());
}

void CCustomValueViewCtrl::OnPageShown() {
  if (auto* page = dynamic_cast<CCustomValueView*>(ActivePage())) page->OnPageShown();
}
