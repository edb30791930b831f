// A setting-page library for tests of the plug-in host: every export logs
// its call with its arguments to the shared log. Built in variants by
// compile definitions:
//   VX_PLUGIN_NAME     the name in the log
//   VX_PLUGIN_ID       its data block id (size 64)
//   VX_NO_MENU_NAME    without FORMVIEWDLL_GetMenuName
//   VX_NO_ACTIVE_VIEW  without FORMVIEWDLL_GetActiveView
//   VX_INIT_RESULT     what Initialize answers (default 0)
//   VX_DEPENDS         reports two blocks of other plug-ins it uses
//   VX_REFUSE_LEAVE    answers -5 to a leave request

#include <cstdio>
#include <string>

#include "framework/PluginApi.h"
#include "tests/doubles/PluginLog.h"

#ifndef VX_INIT_RESULT
#define VX_INIT_RESULT 0
#endif

namespace {

doubles::CPluginLog& Log() {
  static doubles::CPluginLog log;
  return log;
}

void Write(const std::string& call) { Log().Append(std::string(VX_PLUGIN_NAME) + "." + call); }

int32_t initializeCount = 0;

}  // namespace

#define VX_EXPORT extern "C" __declspec(dllexport)

// A library the host left loaded (a dropped item) keeps its count between
// tests; each test starts it afresh.
VX_EXPORT void TestPlugin_Reset() { initializeCount = 0; }

VX_EXPORT int32_t FORMVIEWDLL_Initialize(HWND frame, HWND parent, UtilitySettings* settings) {
  Write(std::string("Initialize(") + (frame ? "frame" : "0") + "," + (parent ? "pane" : "0") + "," +
        (settings ? "settings" : "null") + ")");
  // A library initialised a second time in one load refuses, as the framework does.
  if (++initializeCount > 1) return -3;
  return VX_INIT_RESULT;
}

VX_EXPORT int32_t FORMVIEWDLL_InitializeEngine(UtilitySettings*) { return 0; }

VX_EXPORT int32_t FORMVIEWDLL_Finalize() {
  Write("Finalize");
  return 0;
}

#ifndef VX_NO_ACTIVE_VIEW
VX_EXPORT void* FORMVIEWDLL_GetActiveView() {
  Write("GetActiveView");
  return nullptr;
}
#endif

VX_EXPORT int32_t FORMVIEWDLL_ChangeMenuState(int32_t state) {
  Write("ChangeMenuState(" + std::to_string(state) + ")");
#ifdef VX_REFUSE_LEAVE
  if (state == kMenuStateLeave) return kLeaveRefused;
#endif
  return state == kMenuStateLeave ? 0 : 1;
}

VX_EXPORT int32_t FORMVIEWDLL_GetPluginInfo(PluginInfo* info) {
  Write("GetPluginInfo");
  if (!info) return -6;
  info->pluginId = VX_PLUGIN_ID;
  info->version = 0x10000;
  info->blockSize = 64;
  return 0;
}

VX_EXPORT int32_t FORMVIEWDLL_ReadPrinterSettings() {
  Write("ReadPrinterSettings");
  return 1;
}

VX_EXPORT int32_t FORMVIEWDLL_SetDefaltDataToPluginDataMgr(int32_t id) {
  char text[64];
  std::snprintf(text, sizeof(text), "SetDefault(%X)", static_cast<unsigned>(id));
  Write(text);
  return 0;
}

VX_EXPORT int32_t FORMVIEWDLL_GetDependPluginData(PluginInfo* entries, int32_t* count) {
  Write(std::string("GetDependPluginData(") + (entries ? "entries" : "null") + ")");
  if (!count) return -6;
#ifdef VX_DEPENDS
  // One block another plug-in registers itself, one nobody else has.
  if (entries && *count >= 2) {
    entries[0] = {0x20001, 0x10000, 64};
    entries[1] = {0x29999, 0x10000, 48};
  }
  *count = 2;
#else
  *count = 0;
#endif
  return 1;
}

#ifndef VX_NO_MENU_NAME
VX_EXPORT int32_t FORMVIEWDLL_GetMenuName(const wchar_t* key, int32_t keyLength, wchar_t* buffer,
                                          int32_t bufferLength, int32_t* needed) {
  Write("GetMenuName(" + std::string(buffer ? "buffer" : "null") + ")");
  std::wstring name = L"Menu ";
  if (key) name.append(key, static_cast<std::size_t>(keyLength));
  const int32_t length = static_cast<int32_t>(name.size()) + 1;
  if (!buffer || bufferLength < length) {
    if (needed) *needed = length;
    return kMenuNameNeedsBuffer;
  }
  name.copy(buffer, name.size());
  buffer[name.size()] = L'\0';
  return 0;
}
#endif
