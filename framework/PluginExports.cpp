// The "FORMVIEWDLL_" entry points of a plug-in library, built into every
// plug-in. Each works on the library's one page controller and answers its
// no-controller result when there is none. No exception leaves an export.

#include "framework/CommonFormView.h"
#include "framework/EngineBinding.h"
#include "framework/FrameworkConfig.h"
#include "framework/PluginApi.h"
#include "framework/PluginApp.h"

namespace {

CFormViewCtrl* Ctrl() {
  CPluginAppBase* app = PluginApplication();
  return app ? app->Controller() : nullptr;
}

int32_t ShowPage(CFormViewCtrl& ctrl, CCommonFormView& active) {
  if (!ctrl.ShownOnce()) active.InitialUpdate();
  HWND parent = GetParent(active.Hwnd());
  RECT client = {};
  if (parent) GetClientRect(parent, &client);
  MoveWindow(active.Hwnd(), 0, 0, client.right, client.bottom, TRUE);
  EnableWindow(active.Hwnd(), TRUE);
  ShowWindow(active.Hwnd(), SW_SHOW);
  SetActiveWindow(active.Hwnd());
  SetFocus(active.Hwnd());
  ctrl.OnPageShown();
  ctrl.SetShownOnce();
  return 1;
}

}  // namespace

#define VX_EXPORT extern "C" __declspec(dllexport)

VX_EXPORT int32_t FORMVIEWDLL_Initialize(HWND frame, HWND parent, UtilitySettings* settings) noexcept {
  try {
    CFormViewCtrl* ctrl = Ctrl();
    return ctrl ? ctrl->Initialize(settings, frame, parent) : -1;
  } catch (...) {
    return -1;
  }
}

VX_EXPORT int32_t FORMVIEWDLL_InitializeEngine(UtilitySettings* settings) noexcept {
  try {
    CFormViewCtrl* ctrl = Ctrl();
    if (!ctrl) return -1;
    if (ctrl->engineHandle) return 0;
    const EngineBinding& engine = FrameworkEngine();
    ctrl->engineHandle = engine.open && settings ? engine.open(settings->comm) : 0;
    return ctrl->engineHandle ? 0 : -4;
  } catch (...) {
    return -4;
  }
}

VX_EXPORT int32_t FORMVIEWDLL_Finalize() noexcept {
  try {
    CFormViewCtrl* ctrl = Ctrl();
    return ctrl ? ctrl->Finalize() : 0;
  } catch (...) {
    return 0;
  }
}

VX_EXPORT void* FORMVIEWDLL_GetActiveView() noexcept {
  CFormViewCtrl* ctrl = Ctrl();
  return ctrl ? ctrl->ActivePage() : nullptr;
}

VX_EXPORT int32_t FORMVIEWDLL_ChangeMenuState(int32_t state) noexcept {
  try {
    CFormViewCtrl* ctrl = Ctrl();
    CCommonFormView* active = ctrl ? ctrl->ActivePage() : nullptr;
    if (!active) return -1;
    switch (state) {
      case kMenuStateLeave: return ctrl->LeaveActivePage();
      case kMenuStateShow: return ShowPage(*ctrl, *active);
      case kMenuStateFocus:
        if (!ctrl->ShownOnce() || !GetParent(active->Hwnd())) return 0;
        SetFocus(active->Hwnd());
        return 1;
      default: return -1;
    }
  } catch (...) {
    return -1;
  }
}

VX_EXPORT int32_t FORMVIEWDLL_GetPluginInfo(PluginInfo* info) noexcept {
  if (!info) return -6;
  CFormViewCtrl* ctrl = Ctrl();
  if (!ctrl) return -1;
  info->pluginId = ctrl->pluginId;
  info->version = ctrl->pluginVersion;
  info->blockSize = ctrl->blockSize;
  return 0;
}

VX_EXPORT int32_t FORMVIEWDLL_ReadPrinterSettings() noexcept {
  try {
    CFormViewCtrl* ctrl = Ctrl();
    if (!ctrl) return -1;
    int32_t result = 1;
    for (CCommonFormView* page : ctrl->Pages()) result = page->ReadPrinterSettings();
    return result;
  } catch (...) {
    return -1;
  }
}

VX_EXPORT int32_t FORMVIEWDLL_SetDefaltDataToPluginDataMgr(int32_t pluginId) noexcept {
  try {
    CFormViewCtrl* ctrl = Ctrl();
    return ctrl ? ctrl->SetDefaultData(pluginId) : -1;
  } catch (...) {
    return -1;
  }
}

VX_EXPORT int32_t FORMVIEWDLL_GetDependPluginData(PluginInfo* entries, int32_t* count) noexcept {
  try {
    CFormViewCtrl* ctrl = Ctrl();
    return ctrl ? ctrl->GetDependData(entries, count) : -1;
  } catch (...) {
    return -1;
  }
}
