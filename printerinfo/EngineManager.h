#pragma once
// The engine manager: shared, counted engine objects by engine type. Type 1
// is the device-information engine over "ModelDataEngine.dll".

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

class IVXComm;

class IEngineManager {
public:
  virtual ~IEngineManager() = default;
  virtual int32_t GetEngine(int32_t type, void** engine) = 0;
  virtual int32_t ReleaseEngine(int32_t type) = 0;
};

class CEngineManager : public IEngineManager {
public:
  static constexpr int32_t kDeviceInfoEngine = 1;

  CEngineManager();
  ~CEngineManager() override;
  CEngineManager(const CEngineManager&) = delete;
  CEngineManager& operator=(const CEngineManager&) = delete;

  // Start-up configuration: the communication object and the program folder.
  void Configure(IVXComm* comm, const std::wstring& engineFolder);

  int32_t GetEngine(int32_t type, void** engine) override;
  int32_t ReleaseEngine(int32_t type) override;

private:
  struct Entry {
    void* engine = nullptr;
    int32_t count = 0;
  };
  void* CreateEngine(int32_t type);
  static void DestroyEngine(int32_t type, void* engine);

  std::wstring engineFolder_;
  IVXComm* comm_ = nullptr;
  std::map<int32_t, Entry> engines_;
  CRITICAL_SECTION lock_;
};
