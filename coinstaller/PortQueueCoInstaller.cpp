#include "coinstaller/PortQueueCoInstaller.h"

#include <chrono>

#include "coinstaller/CoInstallerRules.h"
#include "coinstaller/PlatformReads.h"

namespace coinst {

// Shared by the installer and the watcher thread, so that a watcher left to
// end on its own never writes into state the installer has moved on from.
struct CPortQueueCoInstaller::CWatch {
  CWatch(ICoInstallerPlatform& p, HANDLE stopEvent) : platform(p), stop(stopEvent, {&p}) {}
  ICoInstallerPlatform& platform;
  CPlatformHandle stop;
  // Written by the watcher before it signals stop; read by the installer
  // only after the watcher has ended.
  std::wstring queueToDelete;
};

namespace {

constexpr DWORD kPortNameFirstBytes = 260;

struct NotifyInfoFree {
  ICoInstallerPlatform* platform;
  void operator()(PRINTER_NOTIFY_INFO* info) const noexcept { platform->FreePrinterNotifyInfo(info); }
};

// The name of an added queue that duplicates the maker's, or nothing.
std::optional<std::wstring> DuplicateQueueOf(ICoInstallerPlatform& platform, DWORD what,
                                             const PRINTER_NOTIFY_INFO* info) {
  if (!(what & PRINTER_CHANGE_ADD_PRINTER) || !info) return std::nullopt;
  const AddedPrinterFields fields = PrinterFieldsOf(*info);
  if (fields.name.empty() || !IsServedQueueDriver(fields.driver)) return std::nullopt;
  const auto port = QueuePort(platform, fields.name);
  if (!port || !IsDuplicateQueue(fields.driver, *port)) return std::nullopt;
  return fields.name;
}

void WatchQueues(CPortQueueCoInstaller::CWatch& watch, DWORD limitMs) {
  using namespace std::chrono;
  ICoInstallerPlatform& platform = watch.platform;
  HANDLE opened = nullptr;
  if (!platform.OpenPrinterHandle(nullptr, &opened, 0) || !opened) return;
  CPlatformPrinter server(opened, {&platform});

  WORD fields[] = {PRINTER_NOTIFY_FIELD_PRINTER_NAME, PRINTER_NOTIFY_FIELD_DRIVER_NAME};
  PRINTER_NOTIFY_OPTIONS_TYPE type = {PRINTER_NOTIFY_TYPE, 0, 0, 0, static_cast<DWORD>(std::size(fields)), fields};
  PRINTER_NOTIFY_OPTIONS options = {2, 0, 1, &type};
  // A spooler that offers no notification hands back INVALID_HANDLE_VALUE,
  // which as a wait handle is this very process: the watch would last until
  // someone stops it instead of ending here.
  CPlatformChange change(platform.FindFirstPrinterChange(server.get(), PRINTER_CHANGE_ALL, &options), {&platform});
  if (!change) return;

  const auto deadline = steady_clock::now() + milliseconds(limitMs);
  for (;;) {
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) return;
    const HANDLE handles[2] = {watch.stop.get(), change.get()};
    if (platform.WaitForAny(2, handles, static_cast<DWORD>(left)) != WAIT_OBJECT_0 + 1) return;
    DWORD what = 0;
    PRINTER_NOTIFY_INFO* fetched = nullptr;
    // A change that cannot be fetched stays signalled: going round again
    // would spin until the wizard ends.
    if (!platform.FindNextPrinterChange(change.get(), &what, &fetched)) return;
    const std::unique_ptr<PRINTER_NOTIFY_INFO, NotifyInfoFree> info(fetched, {&platform});
    if (auto queue = DuplicateQueueOf(platform, what, info.get())) {
      watch.queueToDelete = std::move(*queue);
      platform.SetEvent(watch.stop.get());
    }
  }
}

}  // namespace

CPortQueueCoInstaller::CPortQueueCoInstaller(ICoInstallerPlatform& platform, PortQueueTimings timings)
    : platform_(platform), timings_(timings), deviceKey_(nullptr, {&platform}), watcherThread_(nullptr, {&platform}) {}

CPortQueueCoInstaller::~CPortQueueCoInstaller() {
  // Only reached with a watcher still running when the owner goes without
  // the wizard's end; the watcher keeps its own share of what it uses.
  if (watcherThread_) {
    platform_.SetEvent(watch_->stop.get());
    platform_.WaitForOne(watcherThread_.get(), timings_.watcherStopMs);
  }
}

DWORD CPortQueueCoInstaller::Handle(DI_FUNCTION request, HDEVINFO set, PSP_DEVINFO_DATA device,
                                    PCOINSTALLER_CONTEXT_DATA context) noexcept {
  // In the pass after the class installer the installation's own result is
  // what goes back, or a failed installation would read as a success.
  const bool postProcessing = context && context->PostProcessing;
  const DWORD passOn = postProcessing ? context->InstallResult : NO_ERROR;
  try {
    std::scoped_lock guard(lock_);
    switch (request) {
      case DIF_INSTALLDEVICE:
        if (!context) return NO_ERROR;  // no context, no second pass to undo a substitution in
        return postProcessing ? InstallSecondPass(context) : InstallFirstPass(set, device);
      case DIF_NEWDEVICEWIZARD_FINISHINSTALL:
        return postProcessing ? passOn : FinishInstall();
      case DIF_DESTROYPRIVATEDATA:
        if (!postProcessing) PutBackPending();
        return passOn;
      default:
        return passOn;
    }
  } catch (...) {
    return passOn;
  }
}

void CPortQueueCoInstaller::PutBackPending() {
  // The host is done with the device set without the wizard's end (or
  // after it): this is the last request the installation sends, and the
  // last chance to put back what it changed outside the loader lock. A
  // running watcher stops by itself and deletes nothing.
  RestorePort();
  RestorePcs();
}

DWORD CPortQueueCoInstaller::InstallFirstPass(HDEVINFO set, PSP_DEVINFO_DATA device) {
  if (!IsServedDevice(platform_, set, device)) return NO_ERROR;
  // A substitution whose second pass never came is undone first, or its
  // port would be read back as the device's own.
  RestorePort();
  SavePcsAndClear();
  if (const auto port = ExistingQueuePort(set, device)) {
    if (SubstitutePort(set, device, *port)) return ERROR_DI_POSTPROCESSING_REQUIRED;
  }
  StartWatcher();
  return NO_ERROR;
}

DWORD CPortQueueCoInstaller::InstallSecondPass(PCOINSTALLER_CONTEXT_DATA context) {
  RestorePort();
  return context->InstallResult;
}

DWORD CPortQueueCoInstaller::FinishInstall() {
  const std::wstring queue = EndWatcher();
  if (!queue.empty()) DeleteQueue(queue);
  // A host that never ran the second pass still gets the device's port back.
  RestorePort();
  RestorePcs();
  return NO_ERROR;
}

void CPortQueueCoInstaller::SavePcsAndClear() {
  // While an earlier value waits to be restored, the 0 written over it is
  // not the value to keep.
  if (savedPcs_ == 0) {
    HKEY opened = nullptr;
    if (platform_.OpenKey(HKEY_LOCAL_MACHINE, std::wstring(kDriverKeyPath).c_str(), KEY_QUERY_VALUE, &opened) ==
        ERROR_SUCCESS) {
      CPlatformKey key(opened, {&platform_});
      if (const auto value = ReadValue(platform_, key.get(), std::wstring(kPcsValue).c_str(), sizeof(DWORD))) {
        if (const auto pcs = RegistryDword(value->type, value->bytes.data(), value->bytes.size())) savedPcs_ = *pcs;
      }
    }
  }
  if (savedPcs_ != 0) WritePcs(0);
}

void CPortQueueCoInstaller::RestorePcs() {
  // Once back, it is no longer ours: a later wizard end must not write it
  // over whatever the user set since.
  if (savedPcs_ != 0 && WritePcs(savedPcs_)) savedPcs_ = 0;
}

bool CPortQueueCoInstaller::WritePcs(uint32_t value) {
  HKEY opened = nullptr;
  if (platform_.OpenKey(HKEY_LOCAL_MACHINE, std::wstring(kDriverKeyPath).c_str(), KEY_SET_VALUE, &opened) !=
      ERROR_SUCCESS)
    return false;
  CPlatformKey key(opened, {&platform_});
  const DWORD data = value;
  return platform_.SetValue(key.get(), std::wstring(kPcsValue).c_str(), REG_DWORD,
                            reinterpret_cast<const BYTE*>(&data), sizeof(data)) == ERROR_SUCCESS;
}

std::optional<std::wstring> CPortQueueCoInstaller::ExistingQueuePort(HDEVINFO set, PSP_DEVINFO_DATA device) {
  const std::wstring description = SelectedDriverDescription(platform_, set, device);
  if (description.empty()) return std::nullopt;
  return PortOfExistingQueue(LocalQueues(platform_), description);
}

bool CPortQueueCoInstaller::SubstitutePort(HDEVINFO set, PSP_DEVINFO_DATA device, const std::wstring& port) {
  const HKEY opened = platform_.OpenDeviceKey(set, device, KEY_READ | KEY_WRITE);
  CPlatformKey key(opened, {&platform_});
  if (!key) return false;
  const auto value = ReadValue(platform_, key.get(), std::wstring(kPortNameValue).c_str(), kPortNameFirstBytes);
  if (!value) return false;
  // A port name that is not text cannot be put back as it was.
  auto text = RegistryText(value->type, value->bytes.data(), value->bytes.size());
  if (!text) return false;
  const DWORD bytes = static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t));
  if (platform_.SetValue(key.get(), std::wstring(kPortNameValue).c_str(), REG_SZ,
                         reinterpret_cast<const BYTE*>(port.c_str()), bytes) != ERROR_SUCCESS)
    return false;
  deviceKey_ = std::move(key);
  savedPortName_ = SavedText{std::move(*text), value->type};
  return true;
}

void CPortQueueCoInstaller::RestorePort() {
  if (savedPortName_ && deviceKey_) {
    const std::wstring& text = savedPortName_->text;
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    platform_.SetValue(deviceKey_.get(), std::wstring(kPortNameValue).c_str(), savedPortName_->type,
                       reinterpret_cast<const BYTE*>(text.c_str()), bytes);
  }
  savedPortName_.reset();
  deviceKey_.reset();
}

void CPortQueueCoInstaller::StartWatcher() {
  // A watcher from an installation whose wizard has not ended yet watches
  // for this one as well; a second would leak the first one's handles.
  if (watcherThread_) return;
  CPlatformHandle stop(platform_.CreateManualEvent(), {&platform_});
  if (!stop) return;
  auto watch = std::make_shared<CWatch>(platform_, stop.release());
  const DWORD limitMs = timings_.watchLimitMs;
  const HANDLE thread = platform_.StartThread([watch, limitMs] { WatchQueues(*watch, limitMs); });
  if (!thread) return;
  watch_ = std::move(watch);
  watcherThread_.reset(thread);
}

std::wstring CPortQueueCoInstaller::EndWatcher() {
  if (!watcherThread_) return {};
  DWORD ended = platform_.WaitForOne(watcherThread_.get(), timings_.watcherGraceMs);
  if (ended != WAIT_OBJECT_0) {
    platform_.SetEvent(watch_->stop.get());
    ended = platform_.WaitForOne(watcherThread_.get(), timings_.watcherStopMs);
  }
  std::wstring queue;
  if (ended == WAIT_OBJECT_0) queue = std::move(watch_->queueToDelete);
  watcherThread_.reset();
  watch_.reset();
  return queue;
}

void CPortQueueCoInstaller::DeleteQueue(const std::wstring& name) {
  HANDLE opened = nullptr;
  if (!platform_.OpenPrinterHandle(name.c_str(), &opened, PRINTER_ALL_ACCESS) || !opened) return;
  CPlatformPrinter printer(opened, {&platform_});
  platform_.DeletePrinter(printer.get());
}

}  // namespace coinst
