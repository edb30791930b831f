// VXUAdjustCutPosition.dll: the application object that owns the page
// controller from the library's load to its unload, and the customized-value
// engine handed to the framework.

#include <windows.h>

#include "framework/EngineBinding.h"
#include "framework/PluginApp.h"
#include "makerlibs/include/CustomParamEngineApi.h"
#include "plugins/cutposition/AdjustCutPositionView.h"

class CVXUAdjustCutPositionApp : public CPluginAppBase {
public:
  CVXUAdjustCutPositionApp() {
    EngineBinding& engine = FrameworkEngine();
    engine.open = &CPE_Open;
    engine.close = &CPE_Close;
    engine.registerProgress = &CPE_SetCallback;
    engine.unregisterProgress = &CPE_ClearCallback;
    controller_ = new (std::nothrow) CAdjustCutPositionViewCtrl();
  }
  ~CVXUAdjustCutPositionApp() override { delete controller_; }
};

namespace {
CVXUAdjustCutPositionApp* application = nullptr;
}  // namespace

CPluginAppBase* PluginApplication() { return application; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    application = new (std::nothrow) CVXUAdjustCutPositionApp();
    return application && application->Controller() ? TRUE : FALSE;
  }
  if (reason == DLL_PROCESS_DETACH) {
    delete application;
    application = nullptr;
  }
  return TRUE;
}
