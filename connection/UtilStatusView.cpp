#include "connection/UtilStatusView.h"

#include "app/resource.h"
#include "connection/ErrorCorrespondenceDlg.h"
#include "connection/PrinterEntryRules.h"
#include "connection/RetailDevices.h"
#include "connection/VXC.h"
#include "framework/FrameMessages.h"
#include "framework/MessageBoxes.h"
#include "framework/PrinterSettingsList.h"
#include "framework/TextFormat.h"
#include "printerinfo/PrinterInfoBlock.h"
#include "printerinfo/PrinterReadRules.h"
#include "shell/MenuItem.h"

namespace {

VXC* BoundComm(const UtilitySettings& settings) {
  auto* comm = static_cast<VXC*>(settings.comm);
  return comm && comm->IsLoaded() ? comm : nullptr;
}

// What the printer read needs of each menu item: is its plug-in there, and
// its read entry.
std::vector<PluginReadEntry> PluginsOf(const std::vector<std::unique_ptr<CMenuItem>>& items) {
  std::vector<PluginReadEntry> plugins;
  plugins.reserve(items.size());
  for (const auto& item : items) plugins.push_back({item->plugin.IsBound(), item->plugin.readPrinterSettings});
  return plugins;
}

std::wstring TextOf(HWND control) {
  if (!control) return {};
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

CUtilStatusView::CUtilStatusView(UtilitySettings& settings, const uint32_t& connectState)
    : settings_(settings), connectState_(connectState) {}

CUtilStatusView::~CUtilStatusView() = default;

bool CUtilStatusView::CreatePane(HINSTANCE instance, HWND parent, int id) {
  if (!CreateModeless(instance, IDD_STATUS_VIEW, parent)) return false;
  SetWindowLongPtrW(hwnd_, GWLP_ID, id);
  ShowWindow(hwnd_, SW_SHOW);
  return true;
}

void CUtilStatusView::Attach(const std::vector<std::unique_ptr<CMenuItem>>& items) {
  SendMessageW(hwnd_, WM_VX_STATUS_RELOAD, 0, 0);
  items_ = &items;
  if (connectState_ != 0) {
    ShowStatusLine(StatusText(state_.shownIndex));
  } else {
    state_.lastPrimary = kStatusOnline;
    state_.shownIndex = kStatusOnline;
    ShowStatusLine(StatusText(kStatusOnline));
    (void)Refresh();
  }
  if (!comm_) comm_ = BoundComm(settings_);
  if (comm_) registered_ = comm_->VXC_RegisterStatusProc(&CUtilStatusView::StatusCallback, hwnd_) == kVxcOk;
}

void CUtilStatusView::PauseReports() {
  paused_ = true;
  if (!comm_ || !registered_) return;
  comm_->VXC_UnregisterStatusProc();
  registered_ = false;
  resumeAfterPause_ = true;
}

void CUtilStatusView::ResumeReports() {
  paused_ = false;
  state_.runRestart = true;
  state_.restartSeen = false;
  runEndedAt_ = GetTickCount64();
  if (!comm_ || !resumeAfterPause_ || !IsWindow(hwnd_)) return;
  resumeAfterPause_ = false;
  comm_->VXC_Initialize();
  registered_ = comm_->VXC_RegisterStatusProc(&CUtilStatusView::StatusCallback, hwnd_) == kVxcOk;
}

void CUtilStatusView::StatusCallback(int32_t status, void* context) {
  // The library's thread: nothing here but the post. A pane that is gone
  // unregistered first, and a window that no longer exists takes no post.
  HWND pane = static_cast<HWND>(context);
  if (IsWindow(pane)) {
    PostMessageW(pane, WM_VX_STATUS_CHANGED, static_cast<WPARAM>(status), reinterpret_cast<LPARAM>(pane));
  }
}

std::wstring CUtilStatusView::StatusText(int32_t index) const {
  return texts_.StringOr(StatusStringNumber(index), DefaultStatusText(index));
}

std::wstring CUtilStatusView::NameLine() const { return TextOf(nameItem_.Hwnd()); }
std::wstring CUtilStatusView::PortLine() const { return TextOf(portItem_.Hwnd()); }
std::wstring CUtilStatusView::StatusLine() const { return TextOf(statusItem_.Hwnd()); }

BOOL CUtilStatusView::OnInitDialog() {
  if (texts_.FindLanguageFile(settings_.langDir, settings_.langId, kEnglishLangId) == CLangResourceTable::kNotFound) {
    CloseForMissingLanguageFiles(GetAncestor(GetParent(hwnd_), GA_ROOT));
    return TRUE;
  }
  (void)texts_.LoadSection(L"PRT_STATUS");
  statusText_ = StatusText(kStatusUnknown);

  // The page that reads the printer lives hidden in the main window.
  HWND mainWindow = GetAncestor(hwnd_, GA_ROOT);
  if (printerSettingCtrl_.Initialize(&settings_, mainWindow, mainWindow) == 0) EnsurePrinterInfoBlock();

  const COLORREF window = GetSysColor(COLOR_WINDOW);
  windowBrush_.reset(CreateSolidBrush(window));
  for (auto [item, id] : {std::pair{&nameItem_, IDC_STATUS_NAME}, std::pair{&portItem_, IDC_STATUS_PORT},
                          std::pair{&statusItem_, IDC_STATUS_STATUS}}) {
    item->backgroundColour = window;
    item->Attach(Item(id));
  }
  if (picture_.Attach(Item(IDC_STATUS_PICTURE))) picture_.SetBitmap(GetModuleHandleW(nullptr), IDB_PRINTER);
  ShowWindow(Item(IDC_STATUS_HIDDEN_PICTURE), SW_HIDE);
  (void)ReloadLines();
  ShowStatusLine(statusText_);
  return TRUE;
}

int32_t CUtilStatusView::ReloadLines() {
  const bool fileMode = settings_.startMode == static_cast<int32_t>(StartMode::SaveFile);
  const std::wstring unknown = texts_.StringOr(28, L"Unknown");

  int32_t result = -1;
  std::wstring model;
  if (auto* list = settings_.printerSettingsList; list && list->FindBlock(kPrinterInfoBlockId) >= 0) {
    uint8_t block[kPrinterInfoBlockSize] = {};
    if (list->ReadBlock(kPrinterInfoBlockId, block, kPrinterInfoBlockSize) == 0) {
      result = 0;
      const std::u16string text = ReadPrinterInfoText(block, printer_info::kModelName);
      model.assign(text.begin(), text.end());
    }
  }
  const std::wstring name = !model.empty() ? model : fileMode ? std::wstring(L"VX-R500") : unknown;

  const PrinterEntry& entry = settings_.selectedPrinter;
  // The address's last part; a port-monitor port there may name a retail device.
  const std::wstring tail(PortPathTail(entry.portPath));
  const std::wstring device = _wcsnicmp(tail.c_str(), L"VXPORT", 6) == 0 ? RetailDeviceOfPort(tail) : std::wstring();
  PortLineInput in;
  in.interfaceKind = settings_.interfaceKind;
  in.remoteMode = settings_.startMode == static_cast<int32_t>(StartMode::Remote);
  in.fileMode = fileMode;
  in.portName = entry.portName;
  in.portPath = entry.portPath;
  in.unknownText = unknown;
  in.registryName = device;
  const std::wstring port = PortLineValue(in);

  SetWindowTextW(nameItem_.Hwnd(),
                 FormatText(L"%s %s", {texts_.StringOr(100, L"Printer Name:"), name}).c_str());
  SetWindowTextW(portItem_.Hwnd(), FormatText(L"%s %s", {texts_.StringOr(22, L"Port:"), port}).c_str());
  return result;
}

void CUtilStatusView::ShowStatusLine(const std::wstring& text) {
  const std::wstring label = texts_.StringOr(24, L"Status:");
  const bool fileMode = settings_.startMode == static_cast<int32_t>(StartMode::SaveFile);
  SetWindowTextW(statusItem_.Hwnd(), fileMode ? label.c_str() : FormatText(L"%s %s", {label, text}).c_str());
}

void CUtilStatusView::EnsurePrinterInfoBlock() {
  CPrinterSettingsList* list = settings_.printerSettingsList;
  if (!list) return;
  const auto ensure = [&](int32_t id, int32_t version, int32_t size) {
    if (list->FindBlock(id) < 0 && list->RegisterBlock(id, version, size) == 0) {
      (void)printerSettingCtrl_.SetDefaultData(id);
    }
  };
  ensure(printerSettingCtrl_.pluginId, printerSettingCtrl_.pluginVersion, printerSettingCtrl_.blockSize);
  int32_t count = 0;
  (void)printerSettingCtrl_.GetDependData(nullptr, &count);
  if (count <= 0 || count > 64) return;
  std::vector<PluginInfo> further(static_cast<std::size_t>(count), PluginInfo{});
  int32_t filled = count;
  (void)printerSettingCtrl_.GetDependData(further.data(), &filled);
  for (int32_t i = 0; i < filled && i < count; ++i) {
    const PluginInfo& block = further[static_cast<std::size_t>(i)];
    ensure(block.pluginId, block.version, block.blockSize);
  }
}

int32_t CUtilStatusView::Refresh() {
  if (!items_) return 1;
  if (!comm_) {
    comm_ = BoundComm(settings_);
    if (comm_) (void)comm_->VXC_Initialize();
  }
  CPrinterSettingView* view = printerSettingCtrl_.View();
  // Without the library there is no printer to read from.
  if (!comm_ || !view) return kReadNoLibrary;

  // A remote printer is opened for the read and opened again after it; on
  // the read's worker thread, whose second's wait keeps no window waiting.
  VXC* comm = comm_;
  if (settings_.selectedPrinter.reopenFlag == 1) {
    view->SetPortWork(
        [comm] {
          comm->Close();
          if (comm->Open(1) != kVxcOk) {
            Sleep(1000);
            (void)comm->Open(1);
          }
        },
        [comm] {
          comm->Close();
          (void)comm->Open(0);
        });
  } else {
    view->SetPortWork(nullptr, nullptr);
  }
  view->SetPlugins(PluginsOf(*items_));
  const int32_t result = view->RunRead();
  if (result == 1) state_.needsRefresh = false;
  return result;
}

void CUtilStatusView::WaitOutRunRestart() {
  const auto restarting = [this] {
    return state_.shownIndex == kStatusNoAnswer && state_.runRestart && state_.updatesEnabled &&
           GetTickCount64() - runEndedAt_ < kRunRestartLimitMs;
  };
  if (!restarting()) return;
  HWND root = GetAncestor(hwnd_, GA_ROOT);
  const bool wasEnabled = IsWindowEnabled(root) != FALSE;
  EnableWindow(root, FALSE);
  const HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  WaitAnswering(nullptr, [&] { return !restarting(); });
  SetCursor(cursor);
  if (wasEnabled) EnableWindow(root, TRUE);
}

LRESULT CUtilStatusView::OnReport(int32_t code) {
  // A report posted before a run began reaches the queue's end inside the
  // run's progress loop: the registration after the run brings the status
  // then in force.
  if (paused_) return 1;
  const StatusOutcome out = ApplyStatusReport(state_, code);
  if (out.ignored) return 1;
  const std::wstring text = StatusText(out.index);
  if (out.wantsRefresh && !(progressRunning && progressRunning())) {
    if (Refresh() == -67) {
      // Another printer answers: keep what was shown.
      state_.shownIndex = out.previousIndex;
      ShowStatusLine(statusText_);
      return 0;
    }
  }
  ShowStatusLine(text);
  statusText_ = text;
  if (out.guidance) ShowErrorGuidance(hwnd_, out.index, settings_);
  return 1;
}

INT_PTR CUtilStatusView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(windowBrush_.get() ? windowBrush_.get() : GetSysColorBrush(COLOR_WINDOW));
    case WM_CTLCOLORSTATIC:
      for (CStaticItem* item : {&nameItem_, &portItem_, &statusItem_}) {
        if (item->Hwnd() && reinterpret_cast<HWND>(lp) == item->Hwnd()) {
          return reinterpret_cast<INT_PTR>(item->OnControlColour(msg, reinterpret_cast<HDC>(wp)));
        }
      }
      SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(windowBrush_.get() ? windowBrush_.get() : GetSysColorBrush(COLOR_WINDOW));
    case WM_VX_STATUS_RELOAD:
      SetResult(ReloadLines());
      return TRUE;
    case WM_VX_STATUS_QUERY:
      WaitOutRunRestart();
      if (wp) *reinterpret_cast<int32_t*>(wp) = state_.shownIndex;
      SetResult(0);
      return TRUE;
    case WM_VX_STATUS_REFRESH:
      SetResult(Refresh());
      return TRUE;
    case WM_VX_STATUS_IGNORE:
      state_.updatesEnabled = false;
      SetResult(0);
      return TRUE;
    case WM_VX_STATUS_CHANGED:
      SetResult(OnReport(static_cast<int32_t>(wp)));
      return TRUE;
    case WM_VX_STATUS_PICTURE:
      // The hidden picture's code; this program carries none of its bitmaps.
      pictureCode_ = static_cast<int32_t>(wp);
      SetResult(0);
      return TRUE;
    case WM_DESTROY:
      // No report may arrive for a pane that is gone.
      if (comm_ && registered_) comm_->VXC_UnregisterStatusProc();
      registered_ = false;
      resumeAfterPause_ = false;
      return FALSE;
    default:
      return CDialog::OnMessage(msg, wp, lp);
  }
}
