#pragma once
// The host side of one plug-in library: loads it by the name in the menu
// file, binds its entry points by name and calls them only while bound.

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/PluginApi.h"

class CMenuDLLProc {
public:
  CMenuDLLProc() = default;
  CMenuDLLProc(const CMenuDLLProc&) = delete;
  CMenuDLLProc& operator=(const CMenuDLLProc&) = delete;
  virtual ~CMenuDLLProc() = default;

  // 0 when loaded and every required entry point was found, else -1 (and
  // nothing stays loaded). A name that is not a bare file name is -1, as a
  // missing library is.
  int32_t LoadAndBind(const std::wstring& libraryName);
  // -1 when not bound, else the plug-in's answer.
  int32_t Initialize(HWND frame, HWND pagePane, UtilitySettings* settings);
  // -1 when not bound, -7 without the optional export, else its answer.
  virtual int32_t GetMenuName(const wchar_t* key, int32_t keyLength, wchar_t* buffer, int32_t bufferLength,
                              int32_t* needed);
  // Finalize, unload and unbind.
  void Release();

  bool IsBound() const { return bound; }

  HMODULE module = nullptr;
  PFN_FORMVIEWDLL_Initialize initialize = nullptr;
  PFN_FORMVIEWDLL_Finalize finalize = nullptr;
  PFN_FORMVIEWDLL_GetActiveView getActiveView = nullptr;
  PFN_FORMVIEWDLL_ChangeMenuState changeMenuState = nullptr;
  PFN_FORMVIEWDLL_GetPluginInfo getPluginInfo = nullptr;
  PFN_FORMVIEWDLL_ReadPrinterSettings readPrinterSettings = nullptr;
  PFN_FORMVIEWDLL_SetDefaltDataToPluginDataMgr setDefaultData = nullptr;
  PFN_FORMVIEWDLL_GetDependPluginData getDependPluginData = nullptr;
  PFN_FORMVIEWDLL_GetMenuName getMenuName = nullptr;
  bool bound = false;

private:
  void Clear();
};
