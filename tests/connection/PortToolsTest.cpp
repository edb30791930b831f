// Where port setup looks for the maker's tools: the registrations first,
// the default folders under Program Files last.

#include "connection/PortTools.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const std::wstring kUninstall =
    std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kNetworkToolProductCode;
const std::wstring kAppPaths = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ComAssign.exe";

// A machine value for the life of a case; the key goes with it.
class CMachineValue {
public:
  CMachineValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) : key_(key) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) ==
        ERROR_SUCCESS) {
      set_ = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
      RegCloseKey(k);
    }
  }
  ~CMachineValue() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str()); }
  CMachineValue(const CMachineValue&) = delete;
  CMachineValue& operator=(const CMachineValue&) = delete;
  bool IsSet() const { return set_; }

private:
  std::wstring key_;
  bool set_ = false;
};

std::wstring ProgramFiles(const wchar_t* relative) {
  wchar_t root[MAX_PATH] = {};
  ExpandEnvironmentStringsW(L"%ProgramFiles%", root, MAX_PATH);
  return std::wstring(root) + L"\\" + relative;
}

}  // namespace

TEST(PortTools, RegistrationsComeBeforeTheDefaultFolders) {
  // catches: the uninstall registration or App Paths ignored, a folder
  // opened instead of the tool
  EXPECT_EQ(NetworkToolPath(), ProgramFiles(L"ORVIK\\OrvikNet Config V4\\NetConfigurator.exe")) << "unregistered";
  {
    CMachineValue registered(kUninstall, L"InstallLocation", L"D:\\Tools\\NetCfg");
    ASSERT_TRUE(registered.IsSet());
    EXPECT_EQ(NetworkToolPath(), L"D:\\Tools\\NetCfg\\NetConfigurator.exe");
  }
  EXPECT_EQ(PortToolPath(), ProgramFiles(L"ORVIK\\VXCOMUSB\\ComAssign.exe")) << "unregistered";
  const struct {
    const wchar_t* folder;
    const wchar_t* tool;
  } appPaths[] = {
      {L"D:\\Ports", L"D:\\Ports\\ComAssign.exe"},
      {L"D:\\Ports\\", L"D:\\Ports\\ComAssign.exe"},
  };
  for (const auto& a : appPaths) {
    CMachineValue registered(kAppPaths, L"Path", a.folder);
    ASSERT_TRUE(registered.IsSet());
    EXPECT_EQ(PortToolPath(), a.tool);
  }
}
