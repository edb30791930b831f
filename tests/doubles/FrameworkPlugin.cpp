// A plug-in built on the framework (plug-in build) for the framework's tests:
// one page whose answers the test sets through extra exports, a worker
// routine that reports progress, and a stand-in customized-value engine.

#include <windows.h>

#include <string>

#include "framework/CommonFormView.h"
#include "framework/EngineBinding.h"
#include "framework/FrameworkConfig.h"
#include "framework/PluginApp.h"
#include "tests/doubles/PluginLog.h"

namespace {

doubles::CPluginLog& Log() {
  static doubles::CPluginLog log;
  return log;
}
void Write(const std::string& call) { Log().Append("Framework." + call); }

int32_t modified = 0;
int32_t applyResult = 1;
int32_t checkResult = 0;
int32_t engineOpenResult = 7;
int32_t runDurationMs = 0;
int32_t runProgress[2] = {-1, -1};
CommRetryParams restartParams = {2000, 10, 2000};

class CTestPage : public CSingleFormView {
public:
  CTestPage() : CSingleFormView(kDefaultPageTemplate) {}
  int32_t IsModified() override { return modified; }
  int32_t ApplyToPrinter() override {
    Write("ApplyToPrinter");
    return applyResult;
  }
  int32_t ApplyToSettingsData() override {
    Write("ApplyToSettingsData");
    return applyResult;
  }
  int32_t ReadPrinterSettings() override {
    Write("ReadPrinterSettings");
    return 1;
  }
  void InitialUpdate() override {
    Write("InitialUpdate");
    CSingleFormView::InitialUpdate();
  }
  void OnPageShown() override { Write("OnPageShown"); }
  int32_t GetRestartWaitParams(CommRetryParams* params) override {
    if (!params) return 0;
    *params = restartParams;
    return 1;
  }
  static DWORD WINAPI Work(void* self) {
    auto* page = static_cast<CTestPage*>(self);
    const ULONGLONG start = GetTickCount64();
    for (int i = 0; i < 2; ++i) {
      if (runProgress[i] >= 0) {
        Sleep(100);
        page->worker.progressCallback(runProgress[i], &page->worker);
      }
    }
    const ULONGLONG spent = GetTickCount64() - start;
    if (static_cast<ULONGLONG>(runDurationMs) > spent) Sleep(static_cast<DWORD>(runDurationMs - spent));
    return 42;
  }
};

class CTestCtrl : public CFormViewCtrl {
public:
  CTestCtrl() { blockSize = 40; }
  int32_t CheckBeforeInitialize() override { return checkResult; }
  void CreatePages() override {
    Write("CreatePages");
    AddPage(new CTestPage());
  }
  void OnPageShown() override {
    if (CCommonFormView* page = ActivePage()) page->OnPageShown();
  }
  void ResetState() override { state_ = 1; }
};

int32_t OpenEngine(IVXComm*) {
  Write("EngineOpen");
  return engineOpenResult;
}
int32_t CloseEngine(int32_t* handle) {
  Write("EngineClose");
  if (handle) *handle = 0;
  return 1;
}
int32_t RegisterProgress(int32_t, EngineProgressCallback, void*) {
  Write("EngineRegisterProgress");
  return 1;
}
int32_t UnregisterProgress(int32_t) {
  Write("EngineUnregisterProgress");
  return 1;
}

class CTestPluginApp : public CPluginAppBase {
public:
  CTestPluginApp() {
    EngineBinding& engine = FrameworkEngine();
    engine.open = &OpenEngine;
    engine.close = &CloseEngine;
    engine.registerProgress = &RegisterProgress;
    engine.unregisterProgress = &UnregisterProgress;
    controller_ = new CTestCtrl();
  }
  ~CTestPluginApp() override { delete controller_; }
};

CTestPluginApp* application = nullptr;

CCommonFormView* Page() {
  CFormViewCtrl* ctrl = application ? application->Controller() : nullptr;
  return ctrl ? ctrl->ActivePage() : nullptr;
}

}  // namespace

CPluginAppBase* PluginApplication() { return application; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) application = new CTestPluginApp();
  if (reason == DLL_PROCESS_DETACH) {
    delete application;
    application = nullptr;
  }
  return TRUE;
}

#define VX_EXPORT extern "C" __declspec(dllexport)

VX_EXPORT void FrameworkPlugin_Set(const char* key, int32_t value) {
  const std::string k = key;
  if (k == "modified") modified = value;
  else if (k == "apply") applyResult = value;
  else if (k == "check") checkResult = value;
  else if (k == "engine") engineOpenResult = value;
  else if (k == "duration") runDurationMs = value;
  else if (k == "progress1") runProgress[0] = value;
  else if (k == "progress2") runProgress[1] = value;
  else if (k == "restartWait") restartParams.initialWaitMs = value;
  else if (k == "restartRetries") restartParams.retries = value;
  else if (k == "restartInterval") restartParams.retryIntervalMs = value;
}

// A printer run from the active page, as a page's button would start it.
VX_EXPORT int32_t FrameworkPlugin_Run() {
  CCommonFormView* page = Page();
  if (!page) return -1000;
  page->worker.threadRoutine = &CTestPage::Work;
  return page->worker.RunOnWorkerThread(page, page->worker.engineHandle);
}

using ProgressSink = void (*)(int32_t, void*);
VX_EXPORT int32_t FrameworkPlugin_WaitForRestart(ProgressSink sink) {
  CCommonFormView* page = Page();
  return page ? page->WaitForPrinterRestart(sink) : -1000;
}

VX_EXPORT int32_t FrameworkPlugin_Reconnect() {
  CCommonFormView* page = Page();
  return page ? page->ReconnectPrinter() : -1000;
}

VX_EXPORT HWND FrameworkPlugin_PageWindow() {
  CCommonFormView* page = Page();
  return page ? page->Hwnd() : nullptr;
}

VX_EXPORT int32_t FrameworkPlugin_EngineHandle() {
  CCommonFormView* page = Page();
  return page ? page->worker.engineHandle : -1;
}
