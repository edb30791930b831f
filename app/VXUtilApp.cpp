#include "app/VXUtilApp.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "app/SettingsRules.h"
#include "connection/PrinterSelectDlg.h"
#include "framework/FrameMessages.h"
#include "framework/MessageBoxes.h"
#include "framework/TextFormat.h"
#include "printerinfo/PrnInfoLibrary.h"
#include "printerinfo/SettingCommandFile.h"
#include "shell/MainFrame.h"
#include "shell/Splash.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace {

const wchar_t kModelName[] = L"VX-R500";
const wchar_t kMissingFiles[] = L"Could not find the required files.\nPlease reinstall.";
const wchar_t kCannotCommunicate[] = L"Cannot communicate with the printer.";
const wchar_t kPortInUse[] = L"Cannot launch the printer because it is in use by another application.";

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return path;
}

// Creates each missing level of base\a\b; the path of the last level.
std::wstring MakeFolders(const std::wstring& base, std::initializer_list<const wchar_t*> levels) {
  std::wstring path = base;
  for (const wchar_t* level : levels) {
    path += L"\\";
    path += level;
    CreateDirectoryW(path.c_str(), nullptr);
  }
  return path;
}

BOOL CALLBACK FindInstanceWindow(HWND hwnd, LPARAM lp) {
  if (GetPropW(hwnd, kInstancePropertyName)) {
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
  }
  return TRUE;
}

int32_t ReadIniInt(const std::wstring& ini, const wchar_t* section, const wchar_t* key, int32_t def) {
  return static_cast<int32_t>(GetPrivateProfileIntW(section, key, def, ini.c_str()));
}

}  // namespace

bool IsUserAdministrator() {
  CHandle token;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) {
    if (GetLastError() != ERROR_NO_TOKEN) return false;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  }
  DWORD bytes = 0;
  GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &bytes);
  if (bytes == 0) return false;
  std::vector<BYTE> buffer(bytes);
  if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(), bytes, &bytes)) return false;
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                0, 0, 0, 0, &administrators)) {
    return false;
  }
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  bool member = false;
  // A group kept only for deny checks (the filtered token of an administrator
  // who has not elevated) grants no rights: such a user is refused.
  for (DWORD i = 0; i < groups->GroupCount && !member; ++i) {
    member = EqualSid(groups->Groups[i].Sid, administrators) != FALSE &&
             (groups->Groups[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0;
  }
  FreeSid(administrators);
  return member;
}

AppEnvironment AppEnvironment::FromSystem() {
  AppEnvironment env;
  env.programPath = ModulePath();
  env.arguments = CommandLineArguments();
  env.commonAppDataDir = KnownFolder(CSIDL_COMMON_APPDATA);
  env.userAppDataDir = KnownFolder(CSIDL_APPDATA);
  env.isAdministrator = &IsUserAdministrator;
  return env;
}

CVXUtilApp::CVXUtilApp(AppEnvironment environment) : env_(std::move(environment)) {
  std::memset(&settings, 0, sizeof(settings));
}

CVXUtilApp::~CVXUtilApp() {
  splashObject_.reset();
  delete comm;  // unloads the communication library
  comm = nullptr;
}

bool CVXUtilApp::SettingsFileMode() const {
  return settings.startMode == static_cast<int32_t>(StartMode::SaveFile);
}

void CVXUtilApp::Warn(const std::wstring& text, HWND owner) const {
  ShowWarningMessage(owner, text.c_str());
}

std::wstring CVXUtilApp::TempMessage(const wchar_t* section, int number, const wchar_t* fallback) const {
  CLangResourceTable table;
  if (table.FindLanguageFile(settings.langDir, settings.langId, kEnglishLangId) == CLangResourceTable::kNotFound ||
      table.LoadSection(section) != 0) {
    return fallback;
  }
  return table.MessageOr(number, fallback);
}

void CVXUtilApp::StartSplash() {
  splashObject_ = std::make_unique<CSplash>(instance_, &publishedMainWindow_);
  splash = splashObject_.get();
}

void CVXUtilApp::CloseSplash() {
  if (splashObject_) splashObject_->RequestClose();
  splashObject_.reset();
  splash = nullptr;
}

void CVXUtilApp::ReadFeatureKeys(const std::wstring& ini) {
  settings.enableFontA = ReadIniInt(ini, L"Font", L"EnableFontA", 0);
  settings.enableFontB = ReadIniInt(ini, L"Font", L"EnableFontB", 0);
  settings.enableFlexibleFont = ReadIniInt(ini, L"Font", L"EnableFlexibleFont", 0);
  settings.enableIFSelect = ReadIniInt(ini, L"IFSetting", L"EnableIFSelect", 0);
  settings.enableBTSearch = ReadIniInt(ini, L"IFSetting", L"EnableBTSearch", 0);
  settings.reserved3 = 0;
  if (SettingsFileMode()) {
    settings.arpSupported = 1;
    settings.wmSupported = 1;
  } else {
    settings.wmSupported = ReadIniInt(ini, L"Support", L"WM", 0);
  }
  settings.autoKeycodeNumbering = ReadIniInt(ini, L"Logo", L"AutoKeycodeNumbering", 0);
}

bool CVXUtilApp::PreTranslateMessage(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  HWND frame = mainWindow_;
  if (!frame || !IsWindow(frame) || (msg.hwnd != frame && !IsChild(frame, msg.hwnd))) return false;
  // Ctrl+Page Down and Ctrl+Page Up change the page, as in a property sheet.
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_NEXT || msg.wParam == VK_PRIOR) && GetKeyState(VK_CONTROL) < 0) {
    SendMessageW(frame, WM_VX_NEXT_PAGE, msg.wParam == VK_NEXT ? 1 : 0, 0);
    return true;
  }
  // The outermost dialog around the focus below the frame: a page (or the
  // status pane), whose nested dialogs take part in its navigation.
  HWND page = nullptr;
  for (HWND w = msg.hwnd; w && w != frame; w = GetParent(w)) {
    wchar_t cls[16] = {};
    if (GetClassNameW(w, cls, 16) && std::wcscmp(cls, L"#32770") == 0) page = w;
  }
  return page && IsDialogMessageW(page, &msg);
}

bool CVXUtilApp::InitInstance() {
  // 1. Common controls.
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_ANIMATE_CLASS |
                                               ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&icc);

  // 2. Document arrangement.
  docArrangement_ = std::make_unique<CDocArrangement>(instance_);
  if (!docArrangement_->Register()) return false;

  // 3. Command line.
  CExtCommandLineInfo cmd;
  cmd.ParseArguments(env_.arguments);

  // 4. Single instance.
  if (!cmd.multiInstance) {
    const std::wstring name = FormatText(L"Global\\%s_UTILITY", {kModelName});
    instanceMutex = CreateMutexW(nullptr, TRUE, name.c_str());
    if (!instanceMutex) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      HWND running = nullptr;
      EnumWindows(&FindInstanceWindow, reinterpret_cast<LPARAM>(&running));
      if (running) SetForegroundWindow(running);
      CloseHandle(instanceMutex);
      instanceMutex = nullptr;
      return false;
    }
  }

  // 5. The lock that serialises printer traffic.
  InitializeCriticalSection(&commLock);
  commLockCreated_ = true;
  settings.commLock = &commLock;

  // 6. Program and language folders.
  const std::wstring exeDir = FolderOf(env_.programPath);
  CopyText(settings.exeDir, exeDir.c_str());
  CopyText(settings.langDir, (exeDir + L"LANG").c_str());

  // 7. Shared data, TMP and per-user folders; failures are ignored.
  if (!env_.commonAppDataDir.empty()) {
    const std::wstring shared = MakeFolders(env_.commonAppDataDir, {L"ORVIK", L"VXR500UTL"});
    CopyText(settings.sharedDataDir, shared.c_str());
    CopyText(settings.tmpDir, MakeFolders(shared, {L"TMP"}).c_str());
  }
  if (!env_.userAppDataDir.empty()) MakeFolders(env_.userAppDataDir, {L"ORVIK", L"VXR500UTL"});

  // 8. SETTING.INI.
  const std::wstring ini = exeDir + L"SETTING.INI";

  // 9. Known printers.
  printerSettingsList.LoadPrinterList(settings.sharedDataDir, settings.sharedDataDir);

  // 10. Command-line values.
  settings.startMode = cmd.startMode;
  settings.callerKind = cmd.callerKind;
  CopyText(settings.portArg, cmd.portArg, 259);
  CopyText(settings.queueArg, cmd.queueArg, 259);
  CopyText(settings.remoteArg, cmd.remoteArg, 259);
  CopyText(settings.fileArg, cmd.fileArg, 260);

  // 11. Language.
  GetPrivateProfileStringW(L"LANGUAGE", L"LANGID", L"0409", settings.langIdText,
                           static_cast<DWORD>(std::size(settings.langIdText)), ini.c_str());

  // 12. The logo file of file mode starts out absent.
  if (SettingsFileMode()) {
    const std::wstring logo =
        FormatText(L"%s\\%s\\%s\\%s", {env_.userAppDataDir, L"ORVIK", L"VXR500UTL", L"R500LOGO.tlg"});
    CopyText(settings.logoFilePath, logo.c_str());
    DeleteFileW(settings.logoFilePath);
  } else {
    settings.logoFilePath[0] = L'\0';
  }

  // 13. Language id.
  settings.langId = ParseLangId(settings.langIdText);

  // 14, 15. Language file and the application's texts.
  if (appTexts.FindLanguageFile(settings.langDir, settings.langId, kEnglishLangId) == CLangResourceTable::kNotFound) {
    Warn(kMissingFiles);
    return false;
  }
  (void)appTexts.LoadSection(L"VX_UTILITY_APP");

  // 16. Administrator rights.
  if (!env_.isAdministrator || !env_.isAdministrator()) {
    Warn(appTexts.MessageOr(0, L"You must have Administrator rights to run this software."));
    return false;
  }

  // 17. Feature keys.
  settings.printerSettingsList = &printerSettingsList;
  ReadFeatureKeys(ini);

  // 18. Interfaces the port dialog offers.
  InterfaceKindSources sources;
  sources.readSupportCommIF = [&ini](const wchar_t* key, int32_t def) {
    return ReadIniInt(ini, L"SupportCommIF", key, def);
  };
  std::unique_ptr<CLangResourceTable> portTexts;
  sources.portDialogMessage = [this, &portTexts](int number) -> std::optional<std::wstring> {
    if (!portTexts) {
      portTexts = std::make_unique<CLangResourceTable>();
      if (portTexts->FindLanguageFile(settings.langDir, settings.langId, kEnglishLangId) !=
          CLangResourceTable::kNotFound) {
        (void)portTexts->LoadSection(L"PORT_ADD_DLG");
      }
    }
    std::wstring text;
    if (portTexts->GetMessage(number, text) != 0) return std::nullopt;
    return text;
  };
  const InterfaceKinds kinds = ReadInterfaceKinds(sources);
  std::copy(std::begin(kinds.supported), std::end(kinds.supported), settings.supportedInterfaceKinds);
  settings.defaultInterfaceKind = kinds.defaultKind;

  // 19, 20. Communication library.
  if (!SettingsFileMode()) comm = new VXC();
  const bool loaded = comm && comm->IsLoaded();
  if (loaded) {
    const int32_t caller = settings.callerKind >= 1 && settings.callerKind <= 4 ? settings.callerKind : 0;
    comm->VXC_SetCaller(caller);
  }

  // 21, 22. Printer selection dialog.
  auto dialog = std::make_unique<CPrinterSelectDlg>(instance_, comm);
  dialog->settings = settings;
  if (settings.startMode == static_cast<int32_t>(StartMode::Vtd5)) {
    dialog->SetDriverName(L"ORVIK VX-R500");
    if (settings.queueArg[0]) dialog->SetQueueName(settings.queueArg);
  }

  // 23. Model type.
  if (loaded) comm->VXC_SetModelType(0);

  // 24, 25. Choose the printer.
  bool connectStateSet = false;
  if (settings.portArg[0]) {
    if (!wcsstr(settings.portArg, L"VXPORT")) {
      Warn(TempMessage(L"PRT_SELECT_DLG", 3, kCannotCommunicate));
      return false;
    }
    PrinterEntry* entry = dialog->FindEntryByPort(settings.portArg);
    if (!entry) {
      if (dialog->Run(nullptr) != IDOK) return false;
    } else {
      StartSplash();
      (void)dialog->CheckEntry(entry, 0);
      if (dialog->OpenEntry(entry) == kVxcPortInUse) {
        if (SettingsFileMode()) {
          connectState = kVxcFileMode;
          connectStateSet = true;
        } else {
          CloseSplash();
          Warn(appTexts.MessageOr(4, kPortInUse));
          return false;
        }
      }
    }
  } else if (settings.startMode == static_cast<int32_t>(StartMode::Remote) && settings.remoteArg[0]) {
    PrinterEntry remote = {};
    CopyText(remote.portPath, settings.remoteArg);
    remote.portSetupValue1 = -1;
    remote.portSetupValue2 = -1;
    remote.reopenFlag = 1;
    dialog->SelectEntry(&remote);
    dialog->settings.interfaceKind = kInterfaceRemote;
    StartSplash();
    (void)dialog->CheckEntry(&remote, 0);
    const VXCRESULT tested = dialog->ConnectionResult();
    if (dialog->OpenEntry(&remote) == kVxcPortInUse) {
      CloseSplash();
      Warn(appTexts.MessageOr(4, kPortInUse));
      return false;
    }
    if (tested != kVxcOk) {
      CloseSplash();
      Warn(TempMessage(L"PRT_SELECT_DLG", 3, kCannotCommunicate));
    }
  } else if (SettingsFileMode()) {
    CopyText(dialog->settings.selectedPrinter.deviceName, kModelName);
  } else {
    if (dialog->Run(nullptr) != IDOK) return false;
  }
  if (!connectStateSet) connectState = SettingsFileMode() ? kVxcFileMode : dialog->ConnectionResult();

  // 26. The dialog's record becomes the application's.
  std::memcpy(&settings, &dialog->settings, sizeof(settings));
  settings.comm = comm;

  // 27. Queue chosen for the driver's start mode.
  if (settings.startMode == static_cast<int32_t>(StartMode::Vtd5) && !settings.queueArg[0]) {
    dialog->GetSelectedQueue(settings.queueArg);
  }
  dialog.reset();

  // 28. Engine manager.
  engineManager.Configure(comm, settings.exeDir);
  settings.engineManager = &engineManager;

  // 29. Device id.
  if (connectState == kVxcOk) {
    if (auto id = ReadPrinterDeviceId(comm)) settings.deviceId = *id;
  }

  // 30. What the printer supports.
  ProbeFeatures();

  // 31. The language may have changed in the dialog.
  if (appTexts.FindLanguageFile(settings.langDir, settings.langId, kEnglishLangId) == CLangResourceTable::kNotFound) {
    CloseSplash();
    Warn(kMissingFiles);
    return false;
  }
  (void)appTexts.LoadSection(L"VX_UTILITY_APP");

  // 32. The selected printer's saved settings.
  const bool keepsSettings = (settings.callerKind == 0 && settings.startMode == 0) || SettingsFileMode();
  if (keepsSettings) {
    const std::wstring path =
        printerSettingsList.GetPrinterDataPath(settings.selectedPrinter.deviceName, settings.selectedPrinter.portName);
    if (!path.empty()) (void)printerSettingsList.LoadDataFile(path);
  }

  // 33. Main window.
  CMainFrame* frame = docArrangement_->CreateMainWindow(settings, &printerSettingsList, connectState);
  if (!frame) {
    CloseSplash();
    return false;
  }
  SetMainWindow(frame->Hwnd());
  publishedMainWindow_.store(frame->Hwnd());
  mainWindowCreated_ = true;
  frame->onSessionEnd = [this, window = frame->Hwnd()] { SaveSettings(window); };

  // 34. Show it.
  CloseSplash();
  ShowWindow(frame->Hwnd(), SW_SHOWNORMAL);
  UpdateWindow(frame->Hwnd());
  return true;
}

void CVXUtilApp::ProbeFeatures() {
  settings.arpSupported = 1;
  settings.printerInfo114 = 0;
  settings.function6Supported = 0;
  if (SettingsFileMode()) {
    settings.printerInfo114 = 1;
    settings.function6Supported = 1;
  } else if (connectState == kVxcOk && comm) {
    PrnInfoOutcome outcome = PrnInfoOutcome::NotLoaded;
    if (auto value = ReadPrinterInfoItem(comm, kPrnInfoItemCutPosition, L"PrnInfoBroker.dll", &outcome)) {
      if (*value == 1) settings.printerInfo114 = 1;
    }
    // A library that is there but unusable ends the probing; a missing one does not.
    if (outcome == PrnInfoOutcome::Unusable) return;
  }

  settings.command0E30Enabled = 0;
  settings.command0E49Enabled = 0;
  settings.function6Supported = 0;
  std::fill(std::begin(settings.reserved6), std::end(settings.reserved6), 0);
  settings.reserved5 = 0;
  if (SettingsFileMode()) {
    settings.function6Supported = 1;
    settings.command0E30Enabled = 1;
    settings.command0E49Enabled = 1;
    return;
  }
  if (connectState != kVxcOk || !comm || !comm->IsLoaded()) return;
  int32_t answer = 0;
  if (comm->VXC_IsSupported(6, &answer) == kVxcOk && answer) settings.function6Supported = 1;
  answer = 0;
  if (comm->VXC_IsEnableCommand(1, uint8_t{0x0E}, uint8_t{0x30}, &answer) == kVxcOk && answer) {
    settings.command0E30Enabled = 1;
  }
  answer = 0;
  if (comm->VXC_IsEnableCommand(1, uint8_t{0x0E}, uint8_t{0x49}, &answer) == kVxcOk && answer) {
    settings.command0E49Enabled = 1;
  }
}

void CVXUtilApp::RemoveTempFolder(bool multiInstance) const {
  if (!multiInstance && settings.tmpDir[0]) RemoveDirectoryW(settings.tmpDir);
}

void CVXUtilApp::SaveSettings(HWND owner) {
  const bool keepsSettings = (settings.callerKind == 0 && settings.startMode == 0) || SettingsFileMode();
  if (!keepsSettings) return;
  const std::wstring device = settings.selectedPrinter.deviceName;
  const std::wstring port = settings.selectedPrinter.portName;
  printerSettingsList.AddPrinter(settings.sharedDataDir, device, port);
  const std::wstring path = printerSettingsList.GetPrinterDataPath(device, port);
  if (path.empty()) return;
  if (SettingsFileMode()) printerSettingsList.writeFlag = 1;
  // Nothing is written while the write flag is 0: no printer run kept anything.
  if (printerSettingsList.writeFlag != 1) return;
  const bool saved = printerSettingsList.SaveDataFile(kModelName, path, 0x10000, 0x10000) != 0 &&
                     printerSettingsList.SavePrinterList(settings.sharedDataDir) > 0;
  if (!saved) {
    Warn(FormatText(appTexts.MessageOr(8, L"The printer's settings could not be saved in %s\nCheck that the "
                                          L"folder can be written and that the disk is not full."),
                    {FolderOf(path)}),
         owner);
  }
}

int CVXUtilApp::ExitInstance() {
  // 1, 2. Engines and the communication library.
  (void)engineManager.ReleaseEngine(CEngineManager::kDeviceInfoEngine);
  if (comm && comm->IsLoaded()) comm->VXC_Terminate();

  // 3, 4. The printer's settings and, in file mode, the setting command file.
  // Only after a start-up that got as far as the main window: before that the
  // list holds nothing of this printer, and saving it would overwrite the
  // settings kept from earlier runs.
  if (mainWindowCreated_) {
    HWND owner = IsWindow(mainWindow_) ? mainWindow_ : nullptr;
    SaveSettings(owner);
    if (SettingsFileMode()) {
      CLangResourceTable question;
      std::wstring title, text;
      if (question.FindLanguageFile(settings.langDir, settings.langId, kEnglishLangId) != CLangResourceTable::kNotFound &&
          question.LoadSection(L"MSG_CONFIRM_SAVE_FILE") == 0) {
        (void)question.GetMessage(0, title);
        (void)question.GetMessage(1, text);
      }
      if (AskSaveChanges(title.c_str(), owner, text.c_str()) == IDYES) {
        const bool logo = settings.logoFilePath[0] && FileExists(settings.logoFilePath);
        if (WriteSettingCommandFile(printerSettingsList, logo ? settings.logoFilePath : nullptr, logo ? 1 : 0,
                                    settings.selectedPrinter.deviceName, settings.fileArg) != 0) {
          Warn(appTexts.MessageOr(7, L"Saving to the file failed."), owner);
        }
      }
    }
  }

  // 5. TMP folder, unless other instances may still use it.
  CExtCommandLineInfo cmd;
  cmd.ParseArguments(env_.arguments);
  RemoveTempFolder(cmd.multiInstance);

  // 6 to 8. Splash, lock, mutex.
  CloseSplash();
  if (commLockCreated_) {
    DeleteCriticalSection(&commLock);
    commLockCreated_ = false;
  }
  if (instanceMutex) {
    CloseHandle(instanceMutex);
    instanceMutex = nullptr;
  }
  return 1;
}
