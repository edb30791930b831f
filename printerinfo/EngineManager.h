#pragma once
// The engine manager: shared, counted engine objects by engine type. Type 1
// is the device-information engine over "ModelDataEngine.dll". Plug-ins reach
// the manager through UtilitySettings::engineManager.

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "makerlibs/include/ModelDataEngineApi.h"
#include "win/Handles.h"

class IVXComm;

class IEngineManager {
public:
  virtual ~IEngineManager() = default;
  // 0 with the engine stored and counted; -1 without an out pointer; -2 for
  // a type that does not exist.
  virtual int32_t GetEngine(int32_t type, void** engine) = 0;
  // 0 when the type was handed out (the last release destroys it), else -2.
  virtual int32_t ReleaseEngine(int32_t type) = 0;
};

class IManagerBase {
public:
  virtual ~IManagerBase() = default;
  virtual int32_t RegisterCallback(ModelDataProgress callback, void* context) = 0;
  virtual int32_t UnregisterCallback() = 0;
};

// Results of the engine bindings.
constexpr int32_t kEngineOk = 1;
constexpr int32_t kEngineNoPath = -5000;
constexpr int32_t kEngineMissing = -5002;  // library, function or handle missing

// Binds one engine library: Initialize, Finalize and its callback functions.
class CManagerBase : public IManagerBase {
public:
  CManagerBase() = default;
  ~CManagerBase() override;
  CManagerBase(const CManagerBase&) = delete;
  CManagerBase& operator=(const CManagerBase&) = delete;

  int32_t RegisterCallback(ModelDataProgress callback, void* context) override;
  int32_t UnregisterCallback() override;
  // Loads the library at path and, with a non-zero argument, initialises it.
  virtual int32_t LoadEngine(IVXComm* initArgument, const std::wstring& path);
  virtual int32_t UnloadEngine();

protected:
  CModule library_;
  int32_t handle_ = 0;
  PFN_MDE_Initialize initialize_ = nullptr;
  PFN_MDE_Finalize finalize_ = nullptr;
  PFN_MDE_RegisterCallback registerCallback_ = nullptr;
  PFN_MDE_UnregisterCallback unregisterCallback_ = nullptr;
};

class IDeviceInfoManager : public IManagerBase {
public:
  virtual int32_t Load() = 0;
  virtual int32_t GetValueLength(const char* key, int32_t keyLength, int32_t* length) = 0;
  virtual int32_t GetValueInt(const char* key, int32_t keyLength, int32_t* value) = 0;
  // The value's bytes (as many as GetValueLength gives) into *text on success.
  virtual int32_t GetValueString(const char* key, int32_t keyLength, std::string* text) = 0;
};

// The device-information engine: named values about the connected model.
// Every operation answers kEngineMissing without a library handle.
class CDeviceInfoManager : public IDeviceInfoManager, public CManagerBase {
public:
  ~CDeviceInfoManager() override;

  int32_t RegisterCallback(ModelDataProgress callback, void* context) override {
    return CManagerBase::RegisterCallback(callback, context);
  }
  int32_t UnregisterCallback() override { return CManagerBase::UnregisterCallback(); }
  // Loads "ModelDataEngine.dll" from the folder and initialises it with comm.
  int32_t LoadEngine(IVXComm* comm, const std::wstring& folder) override;
  int32_t UnloadEngine() override;

  int32_t Load() override;
  int32_t GetValueLength(const char* key, int32_t keyLength, int32_t* length) override;
  int32_t GetValueInt(const char* key, int32_t keyLength, int32_t* value) override;
  int32_t GetValueString(const char* key, int32_t keyLength, std::string* text) override;

private:
  PFN_MDE_Load load_ = nullptr;
  PFN_MDE_GetValueLength getValueLength_ = nullptr;
  PFN_MDE_GetValueString getValueString_ = nullptr;
  PFN_MDE_GetValueInt getValueInt_ = nullptr;
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
  // How many holders the type has now (0 without an entry).
  int32_t Count(int32_t type);

private:
  struct Entry {
    CDeviceInfoManager* engine = nullptr;
    int32_t count = 0;
  };

  std::wstring engineFolder_;
  IVXComm* comm_ = nullptr;
  std::map<int32_t, Entry> engines_;
  CRITICAL_SECTION lock_;
};
