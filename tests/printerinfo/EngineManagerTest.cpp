// The engine manager with the real device-information library of the
// program folder, and without it.

#include "printerinfo/EngineManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "connection/VXC.h"
#include "tests/support/GuiDriver.h"

namespace {

const std::wstring kLibraryPath = gui::BuildProgramDir() + L"\\ModelDataEngine.dll";

bool LibraryLoaded() { return GetModuleHandleW(kLibraryPath.c_str()) != nullptr; }

class EngineManager : public testing::Test {
protected:
  EngineManager() { manager_.Configure(&comm_, gui::BuildProgramDir()); }
  IDeviceInfoManager* Get() {
    void* engine = nullptr;
    EXPECT_EQ(manager_.GetEngine(CEngineManager::kDeviceInfoEngine, &engine), 0);
    return static_cast<IDeviceInfoManager*>(engine);
  }
  VXC comm_{L"NoSuchLibrary.dll"};  // any communication object will do until Load
  CEngineManager manager_;
};

TEST_F(EngineManager, RequestsThatCreateNothing) {
  // catches: an engine made for a type that does not exist, or a release
  // counted for nobody
  void* engine = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(manager_.GetEngine(2, &engine), -2);
  EXPECT_EQ(engine, reinterpret_cast<void*>(0x1));
  EXPECT_EQ(manager_.GetEngine(CEngineManager::kDeviceInfoEngine, nullptr), -1);
  EXPECT_EQ(manager_.ReleaseEngine(CEngineManager::kDeviceInfoEngine), -2);
  EXPECT_EQ(manager_.Count(CEngineManager::kDeviceInfoEngine), 0);
  EXPECT_FALSE(LibraryLoaded());
}

TEST_F(EngineManager, OneSharedEngineUntilTheLastRelease) {
  // catches: a second engine (and library) per holder, or one destroyed
  // while a holder still uses it
  IDeviceInfoManager* first = Get();
  IDeviceInfoManager* second = Get();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(manager_.Count(CEngineManager::kDeviceInfoEngine), 2);
  EXPECT_TRUE(LibraryLoaded());
  int32_t length = 0;
  EXPECT_EQ(first->GetValueLength("NoSuchKey", 9, &length), kMdeNoAnswer) << "the library answers: nothing loaded yet";
  EXPECT_EQ(manager_.ReleaseEngine(CEngineManager::kDeviceInfoEngine), 0);
  EXPECT_TRUE(LibraryLoaded());
  EXPECT_EQ(manager_.ReleaseEngine(CEngineManager::kDeviceInfoEngine), 0);
  EXPECT_FALSE(LibraryLoaded()) << "unloaded with the last holder";
  EXPECT_EQ(manager_.ReleaseEngine(CEngineManager::kDeviceInfoEngine), -2);
}

TEST_F(EngineManager, UnknownKeyLeavesTheTextAlone) {
  // catches: a failed length used to read a value, or the caller's text
  // overwritten by a failure
  IDeviceInfoManager* engine = Get();
  ASSERT_NE(engine, nullptr);
  std::string text = "kept";
  int32_t length = 0;
  const int32_t measured = engine->GetValueLength("NoSuchKey", 9, &length);
  EXPECT_NE(measured, kEngineOk);
  EXPECT_EQ(engine->GetValueString("NoSuchKey", 9, &text), measured);
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(manager_.ReleaseEngine(CEngineManager::kDeviceInfoEngine), 0);
}

TEST_F(EngineManager, MissingLibraryStillGivesAnEngineThatAnswersMissing) {
  // catches: a null engine handed out, or calls into a library that is not there
  CEngineManager manager;
  manager.Configure(&comm_, gui::TestBinDir() + L"no_libraries");
  void* raw = nullptr;
  ASSERT_EQ(manager.GetEngine(CEngineManager::kDeviceInfoEngine, &raw), 0);
  auto* engine = static_cast<IDeviceInfoManager*>(raw);
  ASSERT_NE(engine, nullptr);
  int32_t value = 7;
  std::string text = "kept";
  EXPECT_EQ(engine->GetValueInt("DeviceID", 8, &value), kEngineMissing);
  EXPECT_EQ(engine->GetValueString("ModelName", 9, &text), kEngineMissing);
  EXPECT_EQ(engine->Load(), kEngineMissing);
  EXPECT_EQ(engine->RegisterCallback(nullptr, nullptr), kEngineMissing);
  EXPECT_EQ(engine->UnregisterCallback(), kEngineMissing);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(manager.ReleaseEngine(CEngineManager::kDeviceInfoEngine), 0);
}

TEST(EngineBinding, LoadResults) {
  // catches: an empty path loaded as the program's own folder, a library
  // without the functions kept bound, or a failed initialisation kept
  VXC comm(L"NoSuchLibrary.dll");
  CManagerBase base;
  EXPECT_EQ(base.LoadEngine(&comm, L""), kEngineNoPath);
  EXPECT_EQ(base.LoadEngine(&comm, gui::TestBinDir() + L"no_such.dll"), kEngineMissing);
  // A library that lacks the engine functions (the communication library).
  EXPECT_EQ(base.LoadEngine(&comm, gui::BuildProgramDir() + L"\\VXComm.dll"), kEngineMissing);
  EXPECT_EQ(base.RegisterCallback(nullptr, nullptr), kEngineMissing);
  EXPECT_EQ(base.LoadEngine(nullptr, kLibraryPath), kEngineOk) << "bound, not initialised";
  EXPECT_EQ(base.RegisterCallback(nullptr, nullptr), kEngineMissing) << "no handle yet";
  EXPECT_EQ(base.LoadEngine(&comm, kLibraryPath), kEngineOk) << "loaded again over the first";
  EXPECT_EQ(base.UnloadEngine(), 0);
  EXPECT_FALSE(LibraryLoaded());

  CDeviceInfoManager engine;
  EXPECT_EQ(engine.LoadEngine(nullptr, gui::BuildProgramDir()), kEngineMissing) << "Initialize(null) gives no handle";
  EXPECT_FALSE(LibraryLoaded());
  EXPECT_EQ(engine.LoadEngine(&comm, gui::BuildProgramDir()), kEngineOk);
  EXPECT_TRUE(LibraryLoaded());
}

TEST_F(EngineManager, ConcurrentHoldersCountExactly) {
  // catches: counts raised or lowered without the lock, so that the engine
  // is destroyed under a holder or never destroyed
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        void* engine = nullptr;
        if (manager_.GetEngine(CEngineManager::kDeviceInfoEngine, &engine) != 0 || !engine) ++failures;
        if (manager_.ReleaseEngine(CEngineManager::kDeviceInfoEngine) != 0) ++failures;
      }
    });
  }
  IDeviceInfoManager* held = Get();
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(manager_.Count(CEngineManager::kDeviceInfoEngine), 1);
  EXPECT_EQ(held, Get());
  EXPECT_EQ(manager_.ReleaseEngine(CEngineManager::kDeviceInfoEngine), 0);
  EXPECT_EQ(manager_.ReleaseEngine(CEngineManager::kDeviceInfoEngine), 0);
  EXPECT_FALSE(LibraryLoaded());
}

}  // namespace
