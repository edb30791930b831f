#include "framework/CommonFormView.h"

#include <cstring>

#include "connection/VXC.h"
#include "framework/FormViewCtrl.h"
#include "framework/FrameworkConfig.h"
#include "framework/MessageBoxes.h"
#include "framework/PrinterSettingsList.h"
#include "win/MandatedWait.h"

CCommonFormView::CCommonFormView(int32_t templateId, const wchar_t* baseName)
    : templateId_(templateId), baseName_(baseName ? baseName : kPageBaseName) {
  worker.progressCallback = &CEngineCommCtrl::StandardProgressCallback;
}

CCommonFormView::~CCommonFormView() = default;

UtilitySettings* CCommonFormView::Settings() const { return controller_ ? controller_->Settings() : nullptr; }

int32_t CCommonFormView::IsModified() { return 0; }
int32_t CCommonFormView::ApplyToPrinter() { return 1; }
int32_t CCommonFormView::ApplyToSettingsData() { return 1; }
void CCommonFormView::OnPageShown() {}
int32_t CCommonFormView::ReadPrinterSettings() { return 1; }

bool CCommonFormView::IsWireless() const {
  const UtilitySettings* s = Settings();
  if (!s || s->interfaceKind != kInterfaceNetwork) return false;
  const std::wstring_view name(s->selectedPrinter.networkInterfaceName,
                               wcsnlen(s->selectedPrinter.networkInterfaceName, kTextUnits));
  return name.find(L"NW-K") != std::wstring_view::npos || name.find(L"Wi-Fi") != std::wstring_view::npos;
}

int32_t CCommonFormView::GetCommRetryParams(CommRetryParams* params) {
  if (!params) return 0;
  params->initialWaitMs = IsWireless() ? 15000 : 1000;
  params->retries = 30;
  params->retryIntervalMs = 1000;
  return 1;
}

int32_t CCommonFormView::GetRestartWaitParams(CommRetryParams* params) {
  if (!params) return 0;
  params->initialWaitMs = IsWireless() ? 15000 : 2000;
  params->retries = 10;
  params->retryIntervalMs = 2000;
  return 1;
}

namespace {
CPrinterSettingsList* Store(const UtilitySettings* s) { return s ? s->printerSettingsList : nullptr; }
}  // namespace

int32_t CCommonFormView::WritePluginData(int32_t pluginId, uint8_t* data, uint32_t size) {
  CPrinterSettingsList* store = Store(Settings());
  return store ? store->WriteBlock(pluginId, size, data) : -1;
}

int32_t CCommonFormView::WriteOwnData(uint8_t* data, uint32_t size) {
  return controller_ ? WritePluginData(controller_->pluginId, data, size) : -1;
}

int32_t CCommonFormView::ReadPluginData(int32_t pluginId, uint8_t* buffer, uint32_t length) {
  CPrinterSettingsList* store = Store(Settings());
  return store ? store->ReadBlock(pluginId, buffer, length) : -1;
}

int32_t CCommonFormView::ReadOwnData(uint8_t* buffer, uint32_t length) {
  return controller_ ? ReadPluginData(controller_->pluginId, buffer, length) : -1;
}

void CCommonFormView::RequestAppClose() {
  if (controller_ && controller_->FrameWindow()) PostMessageW(controller_->FrameWindow(), WM_CLOSE, 0, 0);
}

void CCommonFormView::InitialUpdate() {
  UtilitySettings* s = Settings();
  if (!s) return;
  if (appTexts_.FindLanguageFile(s->langDir, s->langId, kEnglishLangId) >= 0) {
    (void)appTexts_.LoadSection(L"VX_UTILITY_APP");
  }
  const int32_t found = texts_.FindLanguageFile(s->langDir, s->langId, kEnglishLangId);
  bool shown = fallbackShown_ != 0;
  const bool goOn = RespondToLanguageLookup(found, *s, shown, hwnd_, [this] { RequestAppClose(); });
  fallbackShown_ = shown ? 1 : 0;
  if (goOn) (void)texts_.LoadSection(baseName_);
}

bool CCommonFormView::CreatePage(HWND parent, DWORD parentStyle, const RECT& client) {
  if (!CreateModeless(FrameworkModule(), templateId_, parent)) return false;
  const DWORD style = (parentStyle | WS_CHILD | DS_CONTROL) & ~(WS_POPUP | WS_VISIBLE | WS_CAPTION);
  SetWindowLongW(hwnd_, GWL_STYLE, static_cast<LONG>(style));
  SetWindowLongPtrW(hwnd_, GWLP_ID, templateId_);
  SetWindowPos(hwnd_, nullptr, client.left, client.top, client.right - client.left, client.bottom - client.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_HIDEWINDOW);
  return true;
}

void CCommonFormView::DestroyPage() {
  if (hwnd_ && IsWindow(hwnd_)) {
    destroying_ = true;
    DestroyWindow(hwnd_);
  }
  delete this;
}

void CCommonFormView::OnSize() {
  HWND parent = GetParent(hwnd_);
  if (!IsWindowVisible(hwnd_) || !parent) return;
  RECT mine = {}, theirs = {};
  GetClientRect(hwnd_, &mine);
  GetClientRect(parent, &theirs);
  if (mine.right >= theirs.right && mine.bottom >= theirs.bottom) {
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  } else {
    SetWindowPos(hwnd_, nullptr, 0, 0, theirs.right, theirs.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

INT_PTR CCommonFormView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SIZE) {
    OnSize();
    return FALSE;  // the default handling too
  }
  return CDialog::OnMessage(msg, wp, lp);
}

int32_t CCommonFormView::ReconnectPrinter() {
  if (!controller_) return -24;
  UtilitySettings* s = Settings();
  auto* comm = s ? static_cast<VXC*>(s->comm) : nullptr;
  if (!comm || !comm->IsLoaded()) return -68;
  comm->Close();
  if (comm->VXC_SetPort(&s->selectedPrinter) != kVxcOk || comm->VXC_GetPort(&s->selectedPrinter) != kVxcOk) {
    return -68;
  }
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (attempt > 0) MandatedWait(L"reconnect retry", 500);
    if (comm->Open(1) == kVxcOk) return comm->VXC_Initialize() == kVxcOk ? 0 : -68;
  }
  const std::wstring text = appTexts_.MessageOr(5, L"Communication error.");
  ShowWarningMessage(GetParent(hwnd_), text.c_str());
  return -60;
}

int32_t CCommonFormView::WaitForPrinterRestart(CEngineCommCtrl::ProgressCallback progress) {
  if (!controller_) return -25;
  UtilitySettings* s = Settings();
  auto* comm = s ? static_cast<VXC*>(s->comm) : nullptr;
  if (comm) comm->Close();
  CommRetryParams params = {2000, 10, 2000};
  if (GetRestartWaitParams(&params) != 1) params = {2000, 10, 2000};
  const int steps = params.initialWaitMs / 500;
  for (int k = 1; k <= steps; ++k) {
    if (progress) progress(40 + (10 * k) / steps, &worker);
    MandatedWait(L"restart", 500);
  }
  int32_t result = -66;
  const ULONGLONG started = GetTickCount64();
  for (int i = 0; i < params.retries; ++i) {
    if (comm && comm->IsLoaded() && comm->VXC_CommunicationTest(&s->selectedPrinter) == kVxcOk) {
      result = 1;
      break;
    }
    if (progress) progress(50 + (10 * (i + 1)) / params.retries, &worker);
    if (i >= 1 && GetTickCount64() - started > 45000) {
      result = -64;
      break;
    }
    MandatedWait(L"restart retry", static_cast<DWORD>(params.retryIntervalMs));
  }
  const int32_t reconnect = ReconnectPrinter();
  return reconnect == -60 ? -60 : result;
}

std::wstring CCommonFormView::NotReadyText() const {
  return appTexts_.MessageOr(9, L"The printer is not ready, so nothing was sent to it.\nTry again when the status "
                                L"line at the bottom of the window shows Online.");
}

int32_t CCommonFormView::ReopenPort(int32_t openArgument) {
  UtilitySettings* s = Settings();
  if (!s || s->selectedPrinter.reopenFlag != 1 || s->selectedPrinter.origin != 3) return 0;
  auto* comm = static_cast<VXC*>(s->comm);
  if (!comm) return 0;
  comm->Close();
  const VXCRESULT first = comm->Open(openArgument);
  if (first == kVxcOk) return 0;
  MandatedWait(L"reopen retry", 1000);
  return static_cast<int32_t>(comm->Open(openArgument));
}
