#pragma once
// The application object of one of our plug-in libraries: it hands the
// customized-value engine to the framework and owns the page controller
// from the library's load to its unload. VX_PLUGIN_MAIN defines the
// library's entry point and its one application object.

#include <windows.h>

#include <new>

#include "framework/EngineBinding.h"
#include "framework/PluginApp.h"
#include "makerlibs/include/CustomParamEngineApi.h"

template <class PageController>
class CEnginePluginApp : public CPluginAppBase {
public:
  CEnginePluginApp() {
    EngineBinding& engine = FrameworkEngine();
    engine.open = &CPE_Open;
    engine.close = &CPE_Close;
    engine.registerProgress = &CPE_SetCallback;
    engine.unregisterProgress = &CPE_ClearCallback;
    controller_ = new (std::nothrow) PageController();
  }
  ~CEnginePluginApp() override { delete controller_; }
  CEnginePluginApp(const CEnginePluginApp&) = delete;
  CEnginePluginApp& operator=(const CEnginePluginApp&) = delete;
};

#define VX_PLUGIN_MAIN(AppClass)                                              \
  namespace {                                                                 \
  AppClass* application = nullptr;                                            \
  }                                                                           \
  CPluginAppBase* PluginApplication() { return application; }                 \
  BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {                      \
    if (reason == DLL_PROCESS_ATTACH) {                                       \
      application = new (std::nothrow) AppClass();                            \
      return application && application->Controller() ? TRUE : FALSE;        \
    }                                                                         \
    if (reason == DLL_PROCESS_DETACH) {                                       \
      delete application;                                                     \
      application = nullptr;                                                  \
    }                                                                         \
    return TRUE;                                                              \
  }
