#include "printerinfo/PrinterSettingView.h"

#include <cstring>

#include "framework/FrameMessages.h"
#include "framework/FrameworkConfig.h"
#include "framework/MessageBoxes.h"
#include "framework/PrinterSettingsList.h"
#include "printerinfo/PrinterInfoBlock.h"
#include "printerinfo/PrinterReadRules.h"
#include "printerinfo/PrnInfoLibrary.h"
#include "win/MandatedWait.h"
#include "win/Text.h"

namespace {

constexpr int32_t kTemplateId = 101;
constexpr CommRetryParams kReadRetry = {100, 20, 1000};

std::u16string ToBlockText(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

// A text the library lends, cut at a sane length before it is converted.
std::wstring LentText(const char* text) {
  if (!text) return {};
  return OemToWide(std::string_view(text, strnlen(text, 4 * printer_info::kTextUnits)));
}

}  // namespace

// The read's steps on the real library, the data store, the plug-ins and
// the progress dialog of the running worker.
class CPrinterSettingView::CSteps : public IPrinterReadSteps {
public:
  explicit CSteps(CPrinterSettingView& page) : page_(page) {
    for (const PluginReadEntry& entry : page.plugins_) {
      if (entry.loaded && entry.read) reads_.push_back(entry.read);
    }
  }

  bool HasLibrary() const override {
    const CPrnInfoLibrary* lib = page_.library_.get();
    return lib && page_.handle_ != 0 && lib->getPrinterName && lib->getDeviceId;
  }
  int32_t GetPrinterName(char* buffer, int32_t size) override {
    return page_.library_->getPrinterName(page_.handle_, buffer, size);
  }
  int32_t GetDeviceId(int32_t* value) override { return page_.library_->getDeviceId(page_.handle_, value); }
  int32_t ModelVariant() override {
    const CPrnInfoLibrary* lib = page_.library_.get();
    if (!lib || !lib->getPrinterInfo) return -1;
    char buffer[256] = {};
    int32_t length = 0;
    if (lib->getPrinterInfo(page_.handle_, kPrnInfoItemModelVariant, buffer, sizeof(buffer), &length) != 1) return -1;
    return ClassifyModelVariant(ParsePrinterInfoValue(buffer));
  }
  int32_t ReadPrinterInformation() override { return page_.ReadPrinterSettings(); }
  std::size_t LoadedPluginCount() const override { return reads_.size(); }
  int32_t ReadPlugin(std::size_t index) override { return reads_[index](); }
  void Progress(int32_t percent) override {
    if (page_.worker.progressCallback) page_.worker.progressCallback(percent, &page_.worker);
  }
  void ShowMessage(int32_t number) override {
    const std::wstring text = page_.texts_.MessageOr(number, DefaultReadMessage(number));
    ShowWarningMessage(page_.worker.progressDialog, text.empty() ? nullptr : text.c_str());
  }
  void AllowSaving() override {
    UtilitySettings* s = page_.Settings();
    if (s && s->printerSettingsList) s->printerSettingsList->writeFlag = 1;
  }
  // The limit counts from a steady clock: a clock change during the read
  // neither cuts it short nor makes it wait longer.
  int64_t NowSeconds() override { return static_cast<int64_t>(GetTickCount64() / 1000); }
  void Wait(int32_t ms) override { MandatedWait(L"identity retry", static_cast<DWORD>(ms)); }

private:
  CPrinterSettingView& page_;
  std::vector<PFN_FORMVIEWDLL_ReadPrinterSettings> reads_;
};

CPrinterSettingView::CPrinterSettingView() : CSingleFormView(kTemplateId) {
  worker.threadRoutine = &CPrinterSettingView::ReadRoutine;
}

CPrinterSettingView::~CPrinterSettingView() { ReleaseLibrary(); }

void CPrinterSettingView::ReleaseLibrary() {
  if (library_ && library_->finalize && handle_ != 0) library_->finalize(&handle_);
  handle_ = 0;
  library_.reset();
}

INT_PTR CPrinterSettingView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  // The binding lasts as long as the page's window: it goes with the main
  // window, before the program lets go of the communication library.
  if (msg == WM_DESTROY) ReleaseLibrary();
  return CSingleFormView::OnMessage(msg, wp, lp);
}

BOOL CPrinterSettingView::OnInitDialog() {
  if (UtilitySettings* s = Settings()) {
    if (texts_.FindLanguageFile(s->langDir, s->langId, kEnglishLangId) != CLangResourceTable::kNotFound) {
      (void)texts_.LoadSection(kPageBaseName);
    }
  }
  // Without a usable library every read fails as a communication error;
  // nothing is said now.
  bindingResult_ = Bind();
  return CSingleFormView::OnInitDialog();
}

int32_t CPrinterSettingView::Bind() {
  UtilitySettings* s = Settings();
  auto library = std::make_unique<CPrnInfoLibrary>();
  if (!s || !s->comm || !library->HasHeldFunctions()) return kReadNoLibrary;
  const int32_t handle = library->initialize(s->comm);
  if (handle == 0) return kReadNoLibrary;
  library_ = std::move(library);
  handle_ = handle;
  return 0;
}

int32_t CPrinterSettingView::GetCommRetryParams(CommRetryParams* params) {
  if (!params) return 0;
  *params = kReadRetry;
  return 1;
}

int32_t CPrinterSettingView::ReadPrinterSettings() {
  uint8_t block[kPrinterInfoBlockSize] = {};
  if (ReadOwnData(block, sizeof(block)) != kSettingsOk) {
    // A store without the block still gets a whole one.
    BlockHeader header;
    if (controller_) std::memcpy(block, controller_->MakeDataHeader(&header)->bytes, sizeof(header.bytes));
    SetPrinterInfoDefaults(block);
  }
  if (!library_ || !library_->getPrinterInformation || handle_ == 0) return kReadNoLibrary;
  PrnInfoRecord record = {};
  record.structSize = 31;
  const int32_t result = library_->getPrinterInformation(handle_, &record, 0);
  if (result != 1) return result;

  using namespace printer_info;
  WritePrinterInfoText(block, kText1, ToBlockText(LentText(record.modelName)));
  WritePrinterInfoText(block, kModelName, u"VX-R500");
  WritePrinterInfoText(block, kText3, ToBlockText(LentText(record.firmwareVersion)));
  WritePrinterInfoText(block, kText4, ToBlockText(LentText(record.serialNumber)));
  WritePrinterInfoText(block, kText5, ToBlockText(LentText(record.makerName)));
  WriteLe32(block + kReadFlag, 1);
  // What was read but could not be kept is no success.
  if (const int32_t written = WriteOwnData(block, sizeof(block)); written != kSettingsOk) return written;
  if (controller_ && controller_->FrameWindow()) PostMessageW(controller_->FrameWindow(), WM_VX_STATUS_RELOAD, 0, 0);
  return 1;
}

DWORD WINAPI CPrinterSettingView::ReadRoutine(void* page) noexcept {
  try {
    auto* self = static_cast<CPrinterSettingView*>(page);
    CommRetryParams params = kReadRetry;
    if (self->GetCommRetryParams(&params) != 1) params = kReadRetry;
    ReadRetryLimits limits;
    limits.attempts = params.retries;
    limits.intervalMs = params.retryIntervalMs;
    const UtilitySettings* s = self->Settings();
    CSteps steps(*self);
    if (self->beforeRead_) self->beforeRead_();
    const int32_t result = RunPrinterRead(steps, s ? s->startMode : 0, limits);
    if (self->afterRead_) self->afterRead_();
    return static_cast<DWORD>(result);
  } catch (...) {
    return static_cast<DWORD>(kReadStopped);
  }
}

int32_t CPrinterSettingView::RunRead() { return worker.RunOnWorkerThread(this, 0); }

CPrinterSettingViewCtrl::CPrinterSettingViewCtrl() { blockSize = static_cast<int32_t>(kPrinterInfoBlockSize); }

void CPrinterSettingViewCtrl::CreatePages() { AddPage(new CPrinterSettingView()); }

int32_t CPrinterSettingViewCtrl::SetDefaultData(int32_t id) {
  if (id != kPrinterInfoBlockId) return -1;
  uint8_t block[kPrinterInfoBlockSize] = {};
  BlockHeader header;
  std::memcpy(block, MakeDataHeader(&header)->bytes, sizeof(header.bytes));
  SetPrinterInfoDefaults(block);
  UtilitySettings* s = Settings();
  if (!s || !s->printerSettingsList) return -1;
  return s->printerSettingsList->WriteBlock(id, sizeof(block), block);
}

CPrinterSettingView* CPrinterSettingViewCtrl::View() const {
  return Pages().empty() ? nullptr : static_cast<CPrinterSettingView*>(Pages().front());
}
