#include "printerinfo/EngineManager.h"

CEngineManager::CEngineManager() { InitializeCriticalSection(&lock_); }

CEngineManager::~CEngineManager() {
  for (auto& [type, entry] : engines_) DestroyEngine(type, entry.engine);
  engines_.clear();
  DeleteCriticalSection(&lock_);
}

void CEngineManager::Configure(IVXComm* comm, const std::wstring& engineFolder) {
  EnterCriticalSection(&lock_);
  comm_ = comm;
  engineFolder_ = engineFolder;
  LeaveCriticalSection(&lock_);
}

// The device-information engine object joins with its library binding; until
// then type 1 is counted like any engine but holds no object.
void* CEngineManager::CreateEngine(int32_t) { return nullptr; }

void CEngineManager::DestroyEngine(int32_t, void*) {}

int32_t CEngineManager::GetEngine(int32_t type, void** engine) {
  if (!engine) return -1;
  if (type != kDeviceInfoEngine) return -2;
  EnterCriticalSection(&lock_);
  auto it = engines_.find(type);
  if (it == engines_.end()) it = engines_.emplace(type, Entry{CreateEngine(type), 0}).first;
  *engine = it->second.engine;
  ++it->second.count;
  LeaveCriticalSection(&lock_);
  return 0;
}

int32_t CEngineManager::ReleaseEngine(int32_t type) {
  EnterCriticalSection(&lock_);
  auto it = engines_.find(type);
  int32_t result = -2;
  if (it != engines_.end()) {
    if (--it->second.count <= 0) {
      DestroyEngine(type, it->second.engine);
      engines_.erase(it);
    }
    result = 0;
  }
  LeaveCriticalSection(&lock_);
  return result;
}
