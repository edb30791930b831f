// The setup program and the MSI package on a machine that never had the
// utility (the test runs in a Wine prefix made for it): a silent
// installation, the installed utility up to its main window against the
// emulated printer, an upgrade that keeps the user's language, and the
// uninstallation, which leaves the printers' data files where they are. And
// the setup program a user sees: its first page, and a cancel that leaves
// nothing behind.

#include "tests/app/EndToEnd.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace e2e {
namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVIK VX-R500 Utility";

// A path of the build machine as this Wine process sees it.
std::wstring FromBuildMachine(const std::string& path) {
  std::wstring out = L"Z:";
  for (char c : path) out += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return out;
}

std::string BuildDir() {
  const char* dir = std::getenv("VX_BUILD_DIR");
  return dir ? dir : "";
}

// What the installer ships, relative to the program folder, from the list
// the build made it from.
std::vector<std::wstring> ShippedFiles() {
  std::ifstream list(BuildDir() + "/packaging/shipped.txt");
  std::vector<std::wstring> names;
  for (std::string line; std::getline(list, line);) {
    if (line.empty()) continue;
    std::wstring name;
    for (char c : line) name += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    names.push_back(name);
  }
  return names;
}

std::wstring FolderOf(int csidl) {
  wchar_t path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// What a file's properties show as its version: the text, then the number.
std::wstring FileVersion(const std::wstring& path) {
  DWORD ignored = 0;
  std::vector<BYTE> info(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  wchar_t* text = nullptr;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (info.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) ||
      !VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\FileVersion", reinterpret_cast<void**>(&text),
                      &length) ||
      !VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
    return L"<none>";
  }
  return std::wstring(text) + L" " + std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
         std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) +
         L"." + std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

std::wstring RegistryText(const wchar_t* name) {
  wchar_t value[512] = {};
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return L"<none>";
  }
  return value;
}

std::wstring IniText(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[64] = {};
  GetPrivateProfileStringW(section, key, L"<none>", value, 64, file.c_str());
  return value;
}

class Release : public EndToEnd {
protected:
  // Runs a program that asks for administrator rights, as the shell starts
  // it; its exit code, or 99 when it did not start or end.
  DWORD Run(const std::wstring& exe, const std::wstring& arguments) {
    HANDLE process = Start(exe, arguments);
    return process ? WaitAndClose(process) : 99;
  }
  // The same, not waited for: the process, or none when it did not start.
  HANDLE Start(const std::wstring& exe, const std::wstring& arguments) {
    SHELLEXECUTEINFOW run = {sizeof(run)};
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    run.lpVerb = L"runas";
    run.lpFile = exe.c_str();
    run.lpParameters = arguments.c_str();
    run.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&run) || !run.hProcess) {
      ADD_FAILURE() << "cannot start " << Narrow(exe) << ": error " << GetLastError();
      return nullptr;
    }
    return run.hProcess;
  }
  static DWORD WaitAndClose(HANDLE process) {
    DWORD code = 99;
    if (WaitForSingleObject(process, 180000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
  }

  // The installed utility, to its printer selection and on to the main
  // window with the first printer, then closed as a user would.
  void UseInstalledUtility() {
    utility_ = gui::CProcess::Start(installed_ + L"\\VXR500UTL.exe", L"", installed_);
    ASSERT_TRUE(utility_);
    HWND dialog = gui::WaitForWindow(
        utility_->Id(), [](const gui::WindowInfo& w) { return GetPropW(w.hwnd, kProperty) != nullptr; }, kStartMs);
    ASSERT_NE(dialog, nullptr) << "the printer selection opens";
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, 1020), LVM_GETITEMCOUNT, 0, 0), 2) << "both emulated ports are listed";
    gui::PressButton(dialog, IDOK);
    HWND frame = WaitForMainWindow();
    ASSERT_NE(frame, nullptr) << "the installed libraries and plug-ins open the printer";
    EXPECT_TRUE(gui::WaitUntil([&] { return FindVisibleChild(frame, 1006) != nullptr; }, 10000))
        << "the cut-position page is there";
    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(utility_->WaitForExit(kStartMs));
    utility_.reset();
    // What the run wrote is the user's: no installation may touch it.
    data_ = SavedDataFile(shared_);
    ASSERT_TRUE(data_) << "the printer's data file is written on closing";
    printerList_ = gui::ReadFileBytes(shared_.File(L"PrinterSetting.INI"));
    ASSERT_TRUE(printerList_);
  }
  void ExpectUserFilesKept(const char* when) {
    EXPECT_EQ(SavedDataFile(shared_), data_) << when << " leaves the data file alone";
    EXPECT_EQ(gui::ReadFileBytes(shared_.File(L"PrinterSetting.INI")), printerList_) << when << " keeps the printer list";
  }

  // Every shipped file is in the program folder, and what is not shipped
  // is not.
  void ExpectInstalled(const char* how, std::initializer_list<const wchar_t*> absent = {}) {
    for (const auto& name : shipped_) EXPECT_TRUE(Exists(installed_ + L"\\" + name)) << how << ": " << Narrow(name);
    for (const wchar_t* name : absent) {
      EXPECT_FALSE(Exists(installed_ + L"\\" + name)) << "not part of the installation: " << Narrow(name);
    }
  }

  // The user picks German and changes another setting; the upgrade keeps
  // the language and brings every other setting new.
  void ExpectUpgradeKeepsTheLanguage(const std::wstring& exe, const std::wstring& arguments) {
    const std::wstring setting = installed_ + L"\\SETTING.INI";
    ASSERT_TRUE(WritePrivateProfileStringW(L"LANGUAGE", L"LANGID", L"0407", setting.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Support", L"WM", L"1", setting.c_str()));
    ASSERT_EQ(Run(exe, arguments), 0u);
    EXPECT_EQ(IniText(setting, L"LANGUAGE", L"LANGID"), L"0407") << "the language is kept";
    EXPECT_EQ(IniText(setting, L"Support", L"WM"), L"0") << "the rest comes new";
    ExpectUserFilesKept("the upgrade");
    ExpectInstalled("upgraded");
  }

  // The shortcut is there and asks for administrator rights, as the
  // utility refuses to run without them (the link's "run as
  // administrator" flag, 0x2000 of the flags at offset 0x14).
  void ExpectShortcutAsksForAdmin(const std::wstring& shortcut) {
    const auto link = gui::ReadFileBytes(shortcut);
    ASSERT_TRUE(link && link->size() > 0x20) << "the start-menu shortcut";
    EXPECT_NE(static_cast<uint8_t>((*link)[0x15]) & 0x20, 0) << "the shortcut asks for administrator rights";
  }

  const std::wstring installer_ =
      FromBuildMachine(BuildDir() + "/release/VXR500UtilitySetup-" + std::string(VX_VERSION) + ".exe");
  const std::wstring package_ = FromBuildMachine(BuildDir() + "/release/VXR500Utility-" VX_VERSION ".msi");
  const std::wstring installed_ = FolderOf(CSIDL_PROGRAM_FILES) + L"\\ORVIK\\VX-R500 Utility";
  const std::wstring shortcut_ = FolderOf(CSIDL_COMMON_PROGRAMS) + L"\\ORVIK\\VX-R500 Utility.lnk";
  // Wine's installer service puts a per-machine package's shortcuts in the
  // start menu of the user who installs it; Windows puts them beside the
  // setup program's.
  const std::wstring userShortcut_ = FolderOf(CSIDL_PROGRAMS) + L"\\ORVIK\\VX-R500 Utility.lnk";
  const std::vector<std::wstring> shipped_ = ShippedFiles();
  std::optional<std::string> data_;
  std::optional<std::string> printerList_;
};

TEST_F(Release, InstallsUpgradesAndUninstallsSilently) {
  ASSERT_TRUE(Exists(installer_)) << std::string(installer_.begin(), installer_.end());
  ASSERT_FALSE(Exists(installed_)) << "a machine that never had the utility";
  ASSERT_GE(shipped_.size(), 20u);

  // Silent installation with the defaults.
  ASSERT_EQ(Run(installer_, L"/S"), 0u);
  ExpectInstalled("installed", {L"VXR500Emu.exe", L"xcoinstVXR500.dll", L"xcoinstRegVXR500.dll"});
  EXPECT_TRUE(Exists(installed_ + L"\\Uninstall.exe"));
  ExpectShortcutAsksForAdmin(shortcut_);
  EXPECT_EQ(RegistryText(L"DisplayName"), L"ORVIK VX-R500 Utility");
  EXPECT_EQ(RegistryText(L"DisplayVersion"), std::wstring(VX_VERSION_W));
  EXPECT_EQ(RegistryText(L"InstallLocation"), installed_);
  EXPECT_EQ(RegistryText(L"UninstallString"), L"\"" + installed_ + L"\\Uninstall.exe\"");
  EXPECT_NE(Run(L"msiexec.exe", L"/i \"" + package_ + L"\" /qn"), 0u) << "the MSI package refuses";

  ASSERT_NO_FATAL_FAILURE(UseInstalledUtility());
  ASSERT_NO_FATAL_FAILURE(ExpectUpgradeKeepsTheLanguage(installer_, L"/S"));

  // The uninstaller hands over to a copy of itself and returns at once: the
  // folder going is its end.
  ASSERT_EQ(Run(installed_ + L"\\Uninstall.exe", L"/S"), 0u);
  EXPECT_TRUE(gui::WaitUntil([&] { return !Exists(installed_); }, 60000)) << "no program file is left behind";
  EXPECT_FALSE(Exists(shortcut_));
  EXPECT_EQ(RegistryText(L"DisplayName"), L"<none>") << "the uninstall registration goes";
  ExpectUserFilesKept("the uninstallation");
}

// The MSI package as a device-management service runs it: silently, then
// a newer build over it, then away. The setup program leaves such an
// installation to the package.
TEST_F(Release, PackageInstallsUpgradesAndUninstallsSilently) {
  const std::wstring newer = FromBuildMachine(BuildDir() + "/upgrade-test/VXR500Utility-" VX_NEXT_VERSION ".msi");
  ASSERT_TRUE(Exists(package_) && Exists(newer));
  ASSERT_FALSE(Exists(installed_)) << "a machine that never had the utility";

  ASSERT_EQ(Run(L"msiexec.exe", L"/i \"" + package_ + L"\" /qn"), 0u);
  ExpectInstalled("installed", {L"VXR500Emu.exe", L"xcoinstVXR500.dll", L"xcoinstRegVXR500.dll", L"Uninstall.exe"});
  for (const auto& name : shipped_) {
    if (!name.ends_with(L".exe") && !name.ends_with(L".dll")) continue;
    EXPECT_EQ(FileVersion(installed_ + L"\\" + name), VX_VERSION_W L" " VX_VERSION_W L".0") << Narrow(name);
  }
  ExpectShortcutAsksForAdmin(Exists(shortcut_) ? shortcut_ : userShortcut_);
  ASSERT_NO_FATAL_FAILURE(UseInstalledUtility());
  EXPECT_EQ(Run(installer_, L"/S"), 2u) << "the setup program refuses";
  EXPECT_EQ(RegistryText(L"DisplayName"), L"<none>");

  ASSERT_NO_FATAL_FAILURE(ExpectUpgradeKeepsTheLanguage(L"msiexec.exe", L"/i \"" + newer + L"\" /qn"));
  EXPECT_NE(Run(L"msiexec.exe", L"/i \"" + package_ + L"\" /qn"), 0u) << "the older package refuses";

  ASSERT_EQ(Run(L"msiexec.exe", L"/x \"" + newer + L"\" /qn"), 0u);
  EXPECT_TRUE(gui::WaitUntil([&] { return !Exists(installed_); }, 60000)) << "no program file is left behind";
  EXPECT_FALSE(Exists(shortcut_) || Exists(userShortcut_));
  EXPECT_FALSE(Exists(FolderOf(CSIDL_PROGRAM_FILES) + L"\\ORVIK")) << "nor the maker's empty folder";
  ExpectUserFilesKept("the uninstallation");
}

TEST_F(Release, InstallerShowsItsComponentsAndACancelLeavesNothing) {
  ASSERT_TRUE(Exists(installer_));
  HANDLE process = Start(installer_, L"");
  ASSERT_NE(process, nullptr);
  const DWORD id = GetProcessId(process);
  HWND setup = gui::WaitForWindow(
      id, [](const gui::WindowInfo& w) { return w.title.rfind(L"VX-R500 Utility Setup", 0) == 0; }, kStartMs);
  ASSERT_NE(setup, nullptr) << "the installer's window";
  // The first page is the choice of components; its list names both.
  HWND tree = gui::FindChildOfClass(setup, L"SysTreeView32");
  ASSERT_NE(tree, nullptr) << "the components page";
  EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 2) << "the utility and the emulator";
  Sleep(500);
  EXPECT_TRUE(gui::SaveWindowPicture(setup, gui::TestBinDir() + L"installer-components.bmp"));

  // Cancel asks first; Yes ends the installer with nothing installed.
  gui::PressButton(setup, IDCANCEL);
  HWND box = gui::WaitForMessageBox(id, kStartMs);
  ASSERT_NE(box, nullptr) << "the installer asks before it quits";
  EXPECT_NE(gui::MessageBoxText(box).find(L"quit"), std::wstring::npos) << Narrow(gui::MessageBoxText(box));
  gui::PressButton(box, IDYES);
  WaitAndClose(process);
  EXPECT_FALSE(Exists(installed_)) << "a cancelled installation leaves no program folder";
  EXPECT_FALSE(Exists(shortcut_));
  EXPECT_EQ(RegistryText(L"DisplayName"), L"<none>");
}

}  // namespace
}  // namespace e2e
