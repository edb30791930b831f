// Start-up and shut-down run in this test process against a copy of the
// program folder, with the system's folders, the command line and the
// administrator check replaced.

#include "app/VXUtilApp.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/MainFrame.h"
#include "tests/support/DoubleLibrary.h"
#include "tests/support/GuiDriver.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace {

const wchar_t kTitle[] = L"VX-R500 Utility";

using Double = gui::CDoubleLibrary;

// Removes what the main window's end leaves in this thread's queue.
void DrainQuit() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

class Startup : public testing::Test {
protected:
  void SetUp() override { SetDllDirectoryW((gui::TestBinDir() + L"no_libraries").c_str()); }
  void TearDown() override {
    SetDllDirectoryW(nullptr);
    DrainQuit();
  }

  AppEnvironment Env(std::vector<std::wstring> args, bool admin = true) {
    AppEnvironment env;
    env.programPath = program_.File(L"VXR500UTL.exe");
    env.arguments = std::move(args);
    env.commonAppDataDir = data_.Path() + L"\\common";
    env.userAppDataDir = data_.Path() + L"\\user";
    CreateDirectoryW(env.commonAppDataDir.c_str(), nullptr);
    CreateDirectoryW(env.userAppDataDir.c_str(), nullptr);
    env.isAdministrator = [admin] { return admin; };
    return env;
  }

  void SetLanguage(const char* id) {
    program_.WriteText(L"SETTING.INI", std::string("[LANGUAGE]\r\nLANGID=") + id + "\r\n");
  }

  // Closes the main window as the user would and lets shut-down run.
  int CloseAndExit(CVXUtilApp& app) {
    EXPECT_TRUE(IsWindow(app.MainWindow()));
    DestroyWindow(app.MainWindow());
    DrainQuit();
    return app.ExitInstance();
  }

  std::wstring TmpDir() const { return data_.Path() + L"\\common\\ORVIK\\VXR500UTL\\TMP"; }

  gui::CProgramFolder program_;
  gui::CTempFolder data_;
};

TEST_F(Startup, NonAdministratorIsRefusedWithTheLanguageFileText) {
  const struct {
    const char* lang;
    std::wstring text;
  } cases[] = {{"0409", L"You must have Administrator rights to run this software."},
               {"0407", L""}};  // German: whatever the file says, not the English default
  for (const auto& c : cases) {
    SetLanguage(c.lang);
    gui::CMessageBoxWatcher boxes;
    CVXUtilApp app(Env({}, /*admin=*/false));
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitInstance(), 1);
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u) << c.lang;
    EXPECT_EQ(seen[0].title, kTitle);
    if (!c.text.empty()) {
      EXPECT_EQ(seen[0].text, c.text);
    } else {
      EXPECT_NE(seen[0].text, cases[0].text);
      EXPECT_FALSE(seen[0].text.empty());
    }
  }
}

TEST_F(Startup, MissingLanguageFilesStopStartUp) {
  program_.Remove(L"LANG");
  gui::CMessageBoxWatcher boxes;
  CVXUtilApp app(Env({}));
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.ExitInstance(), 1);
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, L"Could not find the required files.\nPlease reinstall.");
}

TEST_F(Startup, PortWithoutVxportFailsBeforeAnyDialog) {
  SetDllDirectoryW((gui::TestBinDir() + L"vxcomm_complete").c_str());
  Double comm(L"VXComm.dll", "VXCDouble");
  ASSERT_TRUE(comm.Loaded());
  gui::CMessageBoxWatcher boxes;
  CVXUtilApp app(Env({L"/pCOM1", L"/dOPOS"}));
  EXPECT_FALSE(app.InitInstance());
  app.ExitInstance();
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, L"Cannot communicate with the printer.");
  // The ports were never enumerated: no dialog work was done.
  EXPECT_EQ(comm.Log(), "SetCaller(2);SetModelType(0);Terminate;");
}

TEST_F(Startup, FallbackLanguageStartsWithoutMessage) {
  SetLanguage("0411");
  program_.Remove(L"LANG\\0411.DAT");
  gui::CMessageBoxWatcher boxes(IDNO);
  CVXUtilApp app(Env({L"/mF" + data_.Path() + L"\\out.dat"}));
  ASSERT_TRUE(app.InitInstance());
  EXPECT_TRUE(boxes.Seen().empty());
  EXPECT_EQ(app.settings.langId, 0x411);
  EXPECT_EQ(app.appTexts.ChosenLangId(), 0x409);
  EXPECT_EQ(CloseAndExit(app), 1);
}

TEST_F(Startup, FileModeLoadsNoLibraryAndAsksAtExit) {
  const std::wstring out = data_.Path() + L"\\out.dat";
  gui::CMessageBoxWatcher boxes(IDNO);
  CVXUtilApp app(Env({L"/mF" + out}));
  ASSERT_TRUE(app.InitInstance());
  EXPECT_EQ(app.comm, nullptr);
  EXPECT_EQ(GetModuleHandleW(L"VXComm.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleW(L"PrnInfoBroker.dll"), nullptr);
  EXPECT_EQ(app.connectState, kVxcFileMode);
  const UtilitySettings& s = app.settings;
  EXPECT_EQ(s.startMode, static_cast<int32_t>(StartMode::SaveFile));
  EXPECT_EQ(std::wstring(s.fileArg), out);
  EXPECT_EQ(std::wstring(s.selectedPrinter.deviceName), L"VX-R500");
  for (int32_t flag : {s.arpSupported, s.wmSupported, s.printerInfo114, s.function6Supported, s.command0E30Enabled,
                       s.command0E49Enabled}) {
    EXPECT_EQ(flag, 1);
  }
  EXPECT_EQ(std::wstring(s.logoFilePath), data_.Path() + L"\\user\\ORVIK\\VXR500UTL\\R500LOGO.tlg");
  EXPECT_EQ(CloseAndExit(app), 1);
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);  // asked although nothing changed; No writes nothing
  EXPECT_EQ(seen[0].title, L"Save Settings File");
  EXPECT_EQ(seen[0].text, L"Do you want to save the settings to the file?");
  EXPECT_FALSE(FileExists(out));
}

TEST_F(Startup, RecordIsFilledFromFoldersSettingsAndCommandLine) {
  program_.WriteText(L"SETTING.INI",
                     "[LANGUAGE]\r\nLANGID=0407\r\n[Font]\r\nEnableFontA=1\r\nEnableFontB=2\r\nEnableFlexibleFont=3\r\n"
                     "[IFSetting]\r\nEnableIFSelect=4\r\nEnableBTSearch=5\r\n[Support]\r\nWM=6\r\n"
                     "[Logo]\r\nAutoKeycodeNumbering=7\r\n[SupportCommIF]\r\nCommIFType_1=0\r\nCommIFType_2=3\r\n"
                     "DefaultIFType=3\r\n");
  gui::CMessageBoxWatcher boxes(IDNO);
  CVXUtilApp app(Env({L"/mF", L"/qQueue 1", L"/rhost", L"/dVTD"}));
  ASSERT_TRUE(app.InitInstance());
  const UtilitySettings& s = app.settings;
  EXPECT_EQ(std::wstring(s.exeDir), program_.Path() + L"\\");
  EXPECT_EQ(std::wstring(s.langDir), program_.Path() + L"\\LANG");
  EXPECT_EQ(std::wstring(s.sharedDataDir), data_.Path() + L"\\common\\ORVIK\\VXR500UTL");
  EXPECT_EQ(std::wstring(s.tmpDir), TmpDir());
  EXPECT_EQ(std::wstring(s.langIdText), L"0407");
  EXPECT_EQ(s.langId, 0x407);
  EXPECT_EQ(std::wstring(s.queueArg), L"Queue 1");
  EXPECT_EQ(std::wstring(s.remoteArg), L"host");
  EXPECT_EQ(s.callerKind, 1);
  EXPECT_EQ(s.enableFontA, 1);
  EXPECT_EQ(s.enableFontB, 2);
  EXPECT_EQ(s.enableFlexibleFont, 3);
  EXPECT_EQ(s.enableIFSelect, 4);
  EXPECT_EQ(s.enableBTSearch, 5);
  EXPECT_EQ(s.wmSupported, 1);  // file mode: [Support] is not read
  EXPECT_EQ(s.autoKeycodeNumbering, 7);
  EXPECT_EQ(s.supportedInterfaceKinds[0], 0);
  EXPECT_EQ(s.supportedInterfaceKinds[1], 3);
  EXPECT_EQ(s.supportedInterfaceKinds[2], -1);
  EXPECT_EQ(s.defaultInterfaceKind, 3);
  EXPECT_EQ(s.commLock, &app.commLock);
  EXPECT_EQ(s.printerSettingsList, &app.printerSettingsList);
  EXPECT_EQ(s.engineManager, static_cast<IEngineManager*>(&app.engineManager));
  EXPECT_TRUE(GetFileAttributesW((data_.Path() + L"\\user\\ORVIK\\VXR500UTL").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  CloseAndExit(app);
  EXPECT_EQ(GetFileAttributesW(TmpDir().c_str()), INVALID_FILE_ATTRIBUTES);  // removed at exit
}

TEST_F(Startup, MultiInstanceSwitchKeepsTheTempFolder) {
  gui::CMessageBoxWatcher boxes(IDNO);
  CVXUtilApp app(Env({L"/mF", L"/bM"}));
  ASSERT_TRUE(app.InitInstance());
  EXPECT_EQ(app.instanceMutex, nullptr);
  CloseAndExit(app);
  EXPECT_NE(GetFileAttributesW(TmpDir().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Startup, CommandLinePortOpensProbesAndShutsDownInOrder) {
  SetDllDirectoryW((gui::TestBinDir() + L"vxcomm_complete").c_str());
  Double comm(L"VXComm.dll", "VXCDouble");
  Double info(L"PrnInfoBroker.dll", "PrnInfoDouble");
  ASSERT_TRUE(comm.Loaded() && info.Loaded());
  comm.Set("EnumPort.count", 2);
  comm.Set("IsEnableCommand(1,0E,49).answer", 0);
  info.Set("item114", 1);
  info.Set("deviceId", 0x2A);

  gui::CMessageBoxWatcher boxes;
  CVXUtilApp app(Env({L"/pVXPORT2", L"/dAutoRestore"}));
  ASSERT_TRUE(app.InitInstance());
  EXPECT_TRUE(boxes.Seen().empty());
  EXPECT_EQ(app.connectState, kVxcOk);
  const UtilitySettings& s = app.settings;
  EXPECT_EQ(std::wstring(s.selectedPrinter.portPath), L"pipe://vx/VXPORT2");
  EXPECT_EQ(s.interfaceKind, kInterfaceUsb);
  EXPECT_EQ(s.comm, static_cast<IVXComm*>(app.comm));
  EXPECT_EQ(s.deviceId, 0x2A);
  EXPECT_EQ(s.printerInfo114, 1);
  EXPECT_EQ(s.function6Supported, 1);
  EXPECT_EQ(s.command0E30Enabled, 1);
  EXPECT_EQ(s.command0E49Enabled, 0);
  EXPECT_EQ(s.arpSupported, 1);
  EXPECT_EQ(CloseAndExit(app), 1);
  EXPECT_EQ(comm.Log(),
            "SetCaller(4);SetModelType(0);EnumPort(0);EnumPort(0);CommunicationTest;SetPort;GetPort;Open(1);"
            "Initialize;IsSupported(6);IsEnableCommand(1,0E,30);IsEnableCommand(1,0E,49);"
            // The status pane reads the printer, then listens while the window exists.
            "Initialize;RegisterStatusProc;UnregisterStatusProc;Terminate;");
  EXPECT_EQ(info.Log(),
            "Initialize(comm);GetDeviceID;Finalize;Initialize(comm);GetPrinterInfo(114);Finalize;"
            // The printer-setting page holds its binding while its window exists.
            "Initialize(comm);GetPrinterName;GetDeviceID;GetPrinterInfo(117);GetPrinterInformation;Finalize;");
}

TEST_F(Startup, UnusablePrinterInformationLibraryEndsTheProbing) {
  SetDllDirectoryW((gui::TestBinDir() + L"probe_broken").c_str());
  Double comm(L"VXComm.dll", "VXCDouble");
  Double info(L"PrnInfoBroker.dll", "PrnInfoDouble");  // without GetPrinterInfo
  ASSERT_TRUE(comm.Loaded() && info.Loaded());
  comm.Set("EnumPort.count", 1);
  gui::CMessageBoxWatcher boxes;
  CVXUtilApp app(Env({L"/pVXPORT1", L"/dOPOS"}));
  ASSERT_TRUE(app.InitInstance());
  const UtilitySettings& s = app.settings;
  EXPECT_EQ(s.deviceId, 0x25);  // the device id needs only GetDeviceID
  EXPECT_EQ(s.printerInfo114, 0);
  EXPECT_EQ(s.function6Supported, 0);
  EXPECT_EQ(s.command0E30Enabled, 0);
  EXPECT_EQ(s.command0E49Enabled, 0);
  EXPECT_EQ(s.arpSupported, 1);
  CloseAndExit(app);
  EXPECT_EQ(comm.Log().find("IsSupported"), std::string::npos) << "the probing ended with the library";
}

TEST_F(Startup, PortInUseAtCommandLineStartEndsWithMessage) {
  SetDllDirectoryW((gui::TestBinDir() + L"vxcomm_complete").c_str());
  Double comm(L"VXComm.dll", "VXCDouble");
  comm.Set("EnumPort.count", 1);
  comm.Set("Open", 0x8000000B);
  gui::CMessageBoxWatcher boxes;
  CVXUtilApp app(Env({L"/pVXPORT1"}));
  EXPECT_FALSE(app.InitInstance());
  app.ExitInstance();
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, L"Cannot launch the printer because it is in use by another application.");
}

TEST_F(Startup, PortThatAnswersTheTestButDoesNotOpenIsNoConnection) {
  // catches: a failed open after a good communication test reported as a
  // connection (the status pane then reads a printer that is not there)
  SetDllDirectoryW((gui::TestBinDir() + L"vxcomm_complete").c_str());
  Double comm(L"VXComm.dll", "VXCDouble");
  comm.Set("EnumPort.count", 1);
  comm.Set("Open", 0x80000003);
  gui::CMessageBoxWatcher boxes;
  CVXUtilApp app(Env({L"/pVXPORT1"}));
  ASSERT_TRUE(app.InitInstance());
  EXPECT_EQ(app.connectState, 0x80000003u);
  CloseAndExit(app);
}

TEST_F(Startup, RemotePrinterThatDoesNotAnswerStartsOffline) {
  SetDllDirectoryW((gui::TestBinDir() + L"vxcomm_complete").c_str());
  Double comm(L"VXComm.dll", "VXCDouble");
  comm.Set("CommunicationTest", 0x80000002);
  gui::CMessageBoxWatcher boxes;
  CVXUtilApp app(Env({L"/mR", L"/r192.0.2.7"}));
  ASSERT_TRUE(app.InitInstance());
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, L"Cannot communicate with the printer.");
  EXPECT_EQ(app.connectState, 0x80000002u);
  EXPECT_EQ(app.settings.interfaceKind, kInterfaceRemote);
  EXPECT_EQ(std::wstring(app.settings.selectedPrinter.portPath), L"192.0.2.7");
  EXPECT_EQ(app.settings.selectedPrinter.reopenFlag, 1);
  EXPECT_EQ(app.settings.printerInfo114, 0);  // nothing probed without a connection
  CloseAndExit(app);
}

TEST_F(Startup, UnknownCommandLinePortShowsTheSelectionDialog) {
  SetDllDirectoryW((gui::TestBinDir() + L"vxcomm_complete").c_str());
  Double comm(L"VXComm.dll", "VXCDouble");
  comm.Set("EnumPort.count", 1);
  gui::CDelayedAction cancel(
      [] {
        HWND dialog = gui::WaitForWindow(
            GetCurrentProcessId(), [](const gui::WindowInfo& w) { return GetPropW(w.hwnd, L"VX-R500_UTILITY_VX-R500"); },
            0);
        if (!dialog) return false;
        gui::PressButton(dialog, IDCANCEL);
        return true;
      },
      20000);
  CVXUtilApp app(Env({L"/pVXPORT9"}));
  EXPECT_FALSE(app.InitInstance());  // Cancel ends the program
  EXPECT_TRUE(cancel.Done());
  app.ExitInstance();
}

// This thread runs with a copy of the process token in which the
// Administrators group is kept for deny checks only, as in the filtered token
// of an administrator who has not elevated (under Wine every process token
// is an administrator's, so this is the only way to meet a user who is not).
class CNonAdministratorThread {
public:
  CNonAdministratorThread() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators)) {
      return;
    }
    CHandle process, restricted, impersonation;
    SID_AND_ATTRIBUTES disabled = {administrators, 0};
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, process.put()) &&
        CreateRestrictedToken(process.get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, restricted.put()) &&
        DuplicateTokenEx(restricted.get(), TOKEN_IMPERSONATE | TOKEN_QUERY, nullptr, SecurityImpersonation,
                         TokenImpersonation, impersonation.put())) {
      active_ = SetThreadToken(nullptr, impersonation.get()) != FALSE;
    }
    FreeSid(administrators);
  }
  ~CNonAdministratorThread() {
    if (active_) RevertToSelf();
  }
  bool Active() const { return active_; }

private:
  bool active_ = false;
};

TEST(AdministratorCheck, DenyOnlyAdministratorsGroupIsNotAnAdministrator) {
  // catches: a check that answers yes whatever the token holds, or one that
  // reads the process token while the thread has a token of its own
  EXPECT_TRUE(IsUserAdministrator());
  {
    CNonAdministratorThread user;
    ASSERT_TRUE(user.Active()) << GetLastError();
    EXPECT_FALSE(IsUserAdministrator());
  }
  EXPECT_TRUE(IsUserAdministrator()) << "back to the process token";
}

TEST_F(Startup, RealCheckRefusesAUserWithoutAdministratorRights) {
  // catches: start-up that never asks the token, so the refusal above is
  // only ever reached through an injected answer
  SetLanguage("0409");
  CNonAdministratorThread user;
  ASSERT_TRUE(user.Active());
  gui::CMessageBoxWatcher boxes;
  // A start-up that lets the user through goes on to the printer selection:
  // cancel it, so the fault ends the test instead of hanging it.
  gui::CDelayedAction cancel(
      [] {
        HWND dialog = gui::WaitForWindow(
            GetCurrentProcessId(), [](const gui::WindowInfo& w) { return GetPropW(w.hwnd, L"VX-R500_UTILITY_VX-R500"); },
            0);
        if (dialog) gui::PressButton(dialog, IDCANCEL);
        return dialog != nullptr;
      },
      20000);
  AppEnvironment env = Env({});
  env.isAdministrator = &IsUserAdministrator;
  CVXUtilApp app(std::move(env));
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.ExitInstance(), 1);
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, L"You must have Administrator rights to run this software.");
  EXPECT_FALSE(cancel.Done()) << "the printer selection was shown";
}

}  // namespace
