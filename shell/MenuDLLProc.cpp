#include "shell/MenuDLLProc.h"

#include "win/FileName.h"
#include "win/Handles.h"
#include "win/ProgramLibrary.h"

void CMenuDLLProc::Clear() {
  initialize = nullptr;
  finalize = nullptr;
  getActiveView = nullptr;
  changeMenuState = nullptr;
  getPluginInfo = nullptr;
  readPrinterSettings = nullptr;
  setDefaultData = nullptr;
  getDependPluginData = nullptr;
  getMenuName = nullptr;
  bound = false;
}

int32_t CMenuDLLProc::LoadAndBind(const std::wstring& libraryName) {
  // The name comes from a menu file: a plug-in is a file of the program
  // folder, never one a path in that file leads to.
  if (libraryName.empty() || !IsBareName(libraryName)) return -1;
  module = LoadProgramLibrary(libraryName);
  if (!module) return -1;
  initialize = GetProc<PFN_FORMVIEWDLL_Initialize>(module, "FORMVIEWDLL_Initialize");
  finalize = GetProc<PFN_FORMVIEWDLL_Finalize>(module, "FORMVIEWDLL_Finalize");
  getActiveView = GetProc<PFN_FORMVIEWDLL_GetActiveView>(module, "FORMVIEWDLL_GetActiveView");
  changeMenuState = GetProc<PFN_FORMVIEWDLL_ChangeMenuState>(module, "FORMVIEWDLL_ChangeMenuState");
  getPluginInfo = GetProc<PFN_FORMVIEWDLL_GetPluginInfo>(module, "FORMVIEWDLL_GetPluginInfo");
  readPrinterSettings = GetProc<PFN_FORMVIEWDLL_ReadPrinterSettings>(module, "FORMVIEWDLL_ReadPrinterSettings");
  setDefaultData =
      GetProc<PFN_FORMVIEWDLL_SetDefaltDataToPluginDataMgr>(module, "FORMVIEWDLL_SetDefaltDataToPluginDataMgr");
  getDependPluginData = GetProc<PFN_FORMVIEWDLL_GetDependPluginData>(module, "FORMVIEWDLL_GetDependPluginData");
  if (!initialize || !finalize || !getActiveView || !changeMenuState || !getPluginInfo || !readPrinterSettings ||
      !setDefaultData || !getDependPluginData) {
    FreeLibrary(module);
    module = nullptr;
    Clear();
    return -1;
  }
  bound = true;
  getMenuName = GetProc<PFN_FORMVIEWDLL_GetMenuName>(module, "FORMVIEWDLL_GetMenuName");
  return 0;
}

int32_t CMenuDLLProc::Initialize(HWND frame, HWND pagePane, UtilitySettings* settings) {
  if (!bound) return -1;
  return initialize(frame, pagePane, settings);
}

int32_t CMenuDLLProc::GetMenuName(const wchar_t* key, int32_t keyLength, wchar_t* buffer, int32_t bufferLength,
                                  int32_t* needed) {
  if (!bound) return -1;
  if (!getMenuName) return kMenuNameAbsent;
  return getMenuName(key, keyLength, buffer, bufferLength, needed);
}

void CMenuDLLProc::Release() {
  if (!bound) return;
  finalize();
  FreeLibrary(module);
  module = nullptr;
  Clear();
}
