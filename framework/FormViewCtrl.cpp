#include "framework/FormViewCtrl.h"

#include <cstring>

#include "framework/CommonFormView.h"
#include "framework/EngineBinding.h"
#include "framework/FrameworkConfig.h"
#include "framework/MessageBoxes.h"
#include "framework/SettingsBlocks.h"

CFormViewCtrl::CFormViewCtrl() : pluginId(kFrameworkPluginId), pluginVersion(kFrameworkPluginVersion) {}

CFormViewCtrl::~CFormViewCtrl() {
  if (kPluginBuild && engineHandle && FrameworkEngine().close) FrameworkEngine().close(&engineHandle);
  engineHandle = 0;
  Finalize();
}

int32_t CFormViewCtrl::SetDefaultData(int32_t) { return 1; }

int32_t CFormViewCtrl::GetDependData(PluginInfo*, int32_t* count) {
  if (count) *count = 0;
  return 1;
}

int32_t CFormViewCtrl::CheckBeforeInitialize() { return 0; }

void CFormViewCtrl::OnPageShown() {}

void CFormViewCtrl::ResetState() { state_ = 0; }

void CFormViewCtrl::CreatePages() {}

BlockHeader* CFormViewCtrl::MakeDataHeader(BlockHeader* header) const {
  return MakeDataHeaderFrom(header, pluginId, pluginVersion, blockSize);
}

BlockHeader* CFormViewCtrl::MakeDataHeaderFrom(BlockHeader* header, int32_t id, int32_t version, int32_t size) const {
  if (!header) return nullptr;
  std::memset(header->bytes, 0, sizeof(header->bytes));
  std::memcpy(header->bytes, "PND", 4);
  WriteLe32(header->bytes + 4, static_cast<uint32_t>(id));
  WriteLe32(header->bytes + 8, static_cast<uint32_t>(version));
  WriteLe32(header->bytes + 12, static_cast<uint32_t>(size));
  return header;
}

CCommonFormView* CFormViewCtrl::ActivePage() const {
  if (activeIndex_ < 0 || activeIndex_ >= static_cast<int32_t>(pages_.size())) return nullptr;
  return pages_[static_cast<std::size_t>(activeIndex_)];
}

int32_t CFormViewCtrl::Initialize(UtilitySettings* settings, HWND frame, HWND parent) {
  settings_ = settings;
  if (initialized_) return -3;
  if (const int32_t check = CheckBeforeInitialize(); check != 0) return check;
  parent_ = parent;
  frame_ = frame;
  if (kPluginBuild && engineHandle == 0) {
    const EngineBinding& engine = FrameworkEngine();
    engineHandle = engine.open && settings ? engine.open(settings->comm) : 0;
    if (engineHandle == 0) return -4;
  }
  ResetState();
  CreatePages();
  RECT client = {};
  if (parent) GetClientRect(parent, &client);
  const DWORD parentStyle = parent ? static_cast<DWORD>(GetWindowLongW(parent, GWL_STYLE)) : 0;
  for (CCommonFormView* page : pages_) {
    page->SetController(this);
    page->worker.engineHandle = engineHandle;
    page->CreatePage(parent, parentStyle, client);
  }
  activeIndex_ = 0;
  initialized_ = 1;
  if (settings) (void)texts_.FindLanguageFile(settings->langDir, settings->langId, kEnglishLangId);
  (void)texts_.LoadSection(L"PLUGIN_COMMON");
  return 0;
}

int32_t CFormViewCtrl::Finalize() {
  if (!initialized_) return -2;
  if (kPluginBuild && engineHandle && FrameworkEngine().close) FrameworkEngine().close(&engineHandle);
  engineHandle = 0;
  for (CCommonFormView* page : pages_) page->DestroyPage();
  pages_.clear();
  return 0;
}

int32_t CFormViewCtrl::LeaveActivePage() {
  CCommonFormView* active = ActivePage();
  if (!active) return -1;
  bool modified = false;
  for (CCommonFormView* page : pages_) {
    if (page->IsModified() == 1) {
      modified = true;
      break;
    }
  }
  int32_t result = 0;
  if (modified) {
    const bool fileMode = settings_ && settings_->startMode == static_cast<int32_t>(StartMode::SaveFile);
    const int message = fileMode ? 2 : active->TemplateId() == 12 ? 1 : 0;
    const std::wstring text =
        texts_.MessageOr(message, L"Do you want to save your changes to the settings to the printer?");
    const int answer = kPluginBuild ? AskSaveChanges(active->Hwnd(), text.c_str())
                                    : AskSaveChanges(nullptr, active->Hwnd(), text.c_str());
    if (answer == IDCANCEL) return -5;
    if (answer == IDYES) {
      const int32_t applied = fileMode ? active->ApplyToSettingsData() : active->ApplyToPrinter();
      result = applied == 1 ? 0 : -5;
    } else if (active->TemplateId() == 12) {
      active->GetCommRetryParams(nullptr);
    }
  }
  if (result == 0) {
    EnableWindow(active->Hwnd(), FALSE);
    ShowWindow(active->Hwnd(), SW_HIDE);
  }
  return result;
}
