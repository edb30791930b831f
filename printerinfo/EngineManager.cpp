#include "printerinfo/EngineManager.h"

#include "framework/TextFormat.h"
#include "win/ProgramLibrary.h"

namespace {

// The manager's critical section for one scope.
class CLockGuard {
public:
  explicit CLockGuard(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
  ~CLockGuard() { LeaveCriticalSection(&lock_); }
  CLockGuard(const CLockGuard&) = delete;
  CLockGuard& operator=(const CLockGuard&) = delete;

private:
  CRITICAL_SECTION& lock_;
};

}  // namespace

// ---- CManagerBase

CManagerBase::~CManagerBase() { CManagerBase::UnloadEngine(); }

int32_t CManagerBase::LoadEngine(IVXComm* initArgument, const std::wstring& path) {
  if (path.empty()) return kEngineNoPath;
  if (library_) UnloadEngine();
  library_.reset(LoadProgramLibrary(path));
  if (!library_) return kEngineMissing;
  HMODULE m = library_.get();
  initialize_ = GetProc<PFN_MDE_Initialize>(m, "Initialize");
  finalize_ = GetProc<PFN_MDE_Finalize>(m, "Finalize");
  registerCallback_ = GetProc<PFN_MDE_RegisterCallback>(m, "RegisterCallback");
  unregisterCallback_ = GetProc<PFN_MDE_UnregisterCallback>(m, "UnregisterCallback");
  if (!initialize_ || !finalize_ || !registerCallback_ || !unregisterCallback_) {
    UnloadEngine();
    return kEngineMissing;
  }
  if (!initArgument) return kEngineOk;
  handle_ = initialize_(initArgument);
  if (handle_ != 0) return kEngineOk;
  UnloadEngine();
  return 0;
}

int32_t CManagerBase::UnloadEngine() {
  if (handle_ != 0 && finalize_) finalize_(&handle_);
  handle_ = 0;
  library_.reset();
  initialize_ = nullptr;
  finalize_ = nullptr;
  registerCallback_ = nullptr;
  unregisterCallback_ = nullptr;
  return 0;
}

int32_t CManagerBase::RegisterCallback(ModelDataProgress callback, void* context) {
  if (handle_ == 0 || !registerCallback_) return kEngineMissing;
  return registerCallback_(handle_, callback, context);
}

int32_t CManagerBase::UnregisterCallback() {
  if (handle_ == 0 || !unregisterCallback_) return kEngineMissing;
  return unregisterCallback_(handle_);
}

// ---- CDeviceInfoManager

CDeviceInfoManager::~CDeviceInfoManager() { CDeviceInfoManager::UnloadEngine(); }

int32_t CDeviceInfoManager::LoadEngine(IVXComm* comm, const std::wstring& folder) {
  const std::wstring path = folder.empty() ? std::wstring() : FormatText(L"%s\\%s", {folder, L"ModelDataEngine.dll"});
  const int32_t loaded = CManagerBase::LoadEngine(nullptr, path);
  if (loaded != kEngineOk) return loaded;
  HMODULE m = library_.get();
  load_ = GetProc<PFN_MDE_Load>(m, "Load");
  getValueLength_ = GetProc<PFN_MDE_GetValueLength>(m, "GetValueLength");
  getValueString_ = GetProc<PFN_MDE_GetValueString>(m, "GetValueString");
  getValueInt_ = GetProc<PFN_MDE_GetValueInt>(m, "GetValueInt");
  if (!load_ || !getValueLength_ || !getValueString_ || !getValueInt_) {
    UnloadEngine();
    return kEngineMissing;
  }
  handle_ = initialize_(comm);
  if (handle_ != 0) return kEngineOk;
  UnloadEngine();
  return kEngineMissing;
}

int32_t CDeviceInfoManager::UnloadEngine() {
  load_ = nullptr;
  getValueLength_ = nullptr;
  getValueString_ = nullptr;
  getValueInt_ = nullptr;
  return CManagerBase::UnloadEngine();
}

int32_t CDeviceInfoManager::Load() {
  if (handle_ == 0 || !load_) return kEngineMissing;
  return load_(handle_);
}

int32_t CDeviceInfoManager::GetValueLength(const char* key, int32_t keyLength, int32_t* length) {
  if (handle_ == 0 || !getValueLength_) return kEngineMissing;
  return getValueLength_(handle_, key, keyLength, length);
}

int32_t CDeviceInfoManager::GetValueInt(const char* key, int32_t keyLength, int32_t* value) {
  if (handle_ == 0 || !getValueInt_) return kEngineMissing;
  return getValueInt_(handle_, key, keyLength, value);
}

int32_t CDeviceInfoManager::GetValueString(const char* key, int32_t keyLength, std::string* text) {
  if (handle_ == 0 || !getValueString_) return kEngineMissing;
  int32_t length = 0;
  const int32_t measured = GetValueLength(key, keyLength, &length);
  if (measured != kEngineOk) return measured;
  // A negative length from the library must not size a buffer.
  std::string buffer(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  const int32_t result = getValueString_(handle_, key, keyLength, buffer.data(), static_cast<int32_t>(buffer.size()));
  if (result == kEngineOk && text) *text = std::move(buffer);
  return result;
}

// ---- CEngineManager

CEngineManager::CEngineManager() { InitializeCriticalSection(&lock_); }

CEngineManager::~CEngineManager() {
  for (auto& [type, entry] : engines_) delete entry.engine;
  engines_.clear();
  DeleteCriticalSection(&lock_);
}

void CEngineManager::Configure(IVXComm* comm, const std::wstring& engineFolder) {
  CLockGuard guard(lock_);
  comm_ = comm;
  engineFolder_ = engineFolder;
}

int32_t CEngineManager::GetEngine(int32_t type, void** engine) {
  if (!engine) return -1;
  if (type != kDeviceInfoEngine) return -2;
  CLockGuard guard(lock_);
  auto it = engines_.find(type);
  if (it == engines_.end()) {
    // A load that fails still gives an engine: its operations answer
    // kEngineMissing until the last holder releases it.
    auto* created = new CDeviceInfoManager();
    (void)created->LoadEngine(comm_, engineFolder_);
    it = engines_.emplace(type, Entry{created, 0}).first;
  }
  *engine = static_cast<IDeviceInfoManager*>(it->second.engine);
  ++it->second.count;
  return 0;
}

int32_t CEngineManager::ReleaseEngine(int32_t type) {
  CLockGuard guard(lock_);
  auto it = engines_.find(type);
  if (it == engines_.end()) return -2;
  if (--it->second.count <= 0) {
    delete it->second.engine;
    engines_.erase(it);
  }
  return 0;
}

int32_t CEngineManager::Count(int32_t type) {
  CLockGuard guard(lock_);
  auto it = engines_.find(type);
  return it == engines_.end() ? 0 : it->second.count;
}
