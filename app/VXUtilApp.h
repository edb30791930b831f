#pragma once
// The utility's application object: start-up decides whether this instance
// may run, prepares folders and settings, chooses and opens the printer,
// probes it and creates the main window; shut-down stores the printer's
// settings and releases what start-up took.

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ExtCommandLineInfo.h"
#include "connection/VXC.h"
#include "framework/LangResourceTable.h"
#include "framework/PrinterSettingsList.h"
#include "framework/UtilitySettings.h"
#include "printerinfo/EngineManager.h"
#include "win/App.h"

class CSplash;
class CDocArrangement;
class CPrinterSelectDlg;

// What start-up takes from the system, replaceable so that tests can run it
// in a folder of their own and as a user without administrator rights.
struct AppEnvironment {
  std::wstring programPath;                // the running program file
  std::vector<std::wstring> arguments;     // after the program name
  std::wstring commonAppDataDir;           // the all-users application-data folder
  std::wstring userAppDataDir;             // the per-user (roaming) application-data folder
  std::function<bool()> isAdministrator;

  static AppEnvironment FromSystem();
};

// Is the caller a member of the built-in Administrators group (by its thread
// token, else its process token)? Any failure answers false.
bool IsUserAdministrator();

class CVXUtilApp : public CWinAppBase {
public:
  explicit CVXUtilApp(AppEnvironment environment = AppEnvironment::FromSystem());
  ~CVXUtilApp() override;

  bool InitInstance() override;
  int ExitInstance() override;
  // Keys in the main window: the page the focus is in navigates as a dialog.
  bool PreTranslateMessage(MSG& msg) override;

  UtilitySettings settings;
  VXC* comm = nullptr;
  CPrinterSettingsList printerSettingsList;
  CRITICAL_SECTION commLock = {};
  uint32_t connectState = kVxcNotBound;
  CSplash* splash = nullptr;
  CLangResourceTable appTexts;
  HANDLE instanceMutex = nullptr;
  CEngineManager engineManager;

private:
  void CloseSplash();
  void StartSplash();
  void ProbeFeatures();
  void ReadFeatureKeys(const std::wstring& iniPath);
  std::wstring TempMessage(const wchar_t* section, int number, const wchar_t* fallback) const;
  void Warn(const std::wstring& text, HWND owner = nullptr) const;
  void RemoveTempFolder(bool multiInstance) const;
  bool SettingsFileMode() const;
  // Saves the selected printer's data file and the printer list, as at exit;
  // a save that fails is told to the user (owner: the main window if any).
  void SaveSettings(HWND owner);

  AppEnvironment env_;
  std::unique_ptr<CDocArrangement> docArrangement_;
  std::unique_ptr<CSplash> splashObject_;
  std::atomic<HWND> publishedMainWindow_{nullptr};
  bool commLockCreated_ = false;
  bool mainWindowCreated_ = false;
};
