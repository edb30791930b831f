#pragma once
// What differs between the framework built into the utility and the one
// built into each plug-in (VX_PLUGIN_BUILD).

#include <windows.h>

#include <cstdint>

#ifdef VX_PLUGIN_BUILD
constexpr bool kPluginBuild = true;
constexpr wchar_t kPageBaseName[] = L"VXU_ADJUST_CUT_POS_DLL";
constexpr int32_t kDefaultPageTemplate = 8;
constexpr int32_t kFrameworkPluginId = 0x10011;
constexpr int32_t kProgressAnimationKind = 1;
constexpr int32_t kProgressShowDelayMs = 1000;
#else
constexpr bool kPluginBuild = false;
constexpr wchar_t kPageBaseName[] = L"PRINTER_SETTING_VIEW";
constexpr int32_t kDefaultPageTemplate = 101;
constexpr int32_t kFrameworkPluginId = 0x10001;
constexpr int32_t kProgressAnimationKind = 2;
constexpr int32_t kProgressShowDelayMs = 1;
#endif
constexpr int32_t kFrameworkPluginVersion = 0x10000;

// The module whose resources hold the page templates: the plug-in library in
// a plug-in, the program in the utility.
HINSTANCE FrameworkModule();
