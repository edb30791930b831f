#pragma once
// The plug-in ABI: the "FORMVIEWDLL_" exports a setting-page library offers
// and the host binds by name. Integers are 32-bit; handles and pointers have
// the platform's width.

#include <windows.h>

#include <cstdint>

#include "framework/UtilitySettings.h"

// A plug-in's data block identity.
struct PluginInfo {
  int32_t pluginId;
  int32_t version;
  int32_t blockSize;  // bytes, header included
};
static_assert(sizeof(PluginInfo) == 12);

// ChangeMenuState requests.
enum MenuState : int32_t {
  kMenuStateLeave = 1,
  kMenuStateShow = 2,
  kMenuStateFocus = 3,
};

constexpr int32_t kLeaveRefused = -5;       // ChangeMenuState(1): the page stays
constexpr int32_t kMenuNameNeedsBuffer = -8;
constexpr int32_t kMenuNameAbsent = -7;

using PFN_FORMVIEWDLL_Initialize = int32_t (*)(HWND frame, HWND parent, UtilitySettings* settings);
using PFN_FORMVIEWDLL_InitializeEngine = int32_t (*)(UtilitySettings* settings);
using PFN_FORMVIEWDLL_Finalize = int32_t (*)();
using PFN_FORMVIEWDLL_GetActiveView = void* (*)();
using PFN_FORMVIEWDLL_ChangeMenuState = int32_t (*)(int32_t state);
using PFN_FORMVIEWDLL_GetPluginInfo = int32_t (*)(PluginInfo* info);
using PFN_FORMVIEWDLL_ReadPrinterSettings = int32_t (*)();
using PFN_FORMVIEWDLL_SetDefaltDataToPluginDataMgr = int32_t (*)(int32_t pluginId);
using PFN_FORMVIEWDLL_GetDependPluginData = int32_t (*)(PluginInfo* entries, int32_t* count);
using PFN_FORMVIEWDLL_GetMenuName = int32_t (*)(const wchar_t* key, int32_t keyLength, wchar_t* buffer,
                                                int32_t bufferLength, int32_t* needed);
