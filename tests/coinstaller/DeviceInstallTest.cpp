// Both co-installers run by Wine's device installer against the real
// registry, SetupAPI and spooler: a printer device with a served id, a
// driver whose description drives an existing queue on the maker's port,
// and the set-up's mutex. Everything this test adds to system32, HKLM, the
// spooler and the device tree it takes away again.
//
// Wine runs only the first pass of a co-installer and unloads it after each
// call; Windows keeps it loaded between the passes. The test holds both
// libraries loaded as Windows would and runs the second pass itself.

#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <ostream>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/GuiDriver.h"
#include "tests/support/TestPpd.h"
#include "win/Handles.h"

namespace {

using CoInstallerFn = DWORD(WINAPI*)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA, PCOINSTALLER_CONTEXT_DATA);

const GUID kPrinterClass = {0x4d36e979, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const wchar_t kDriverName[] = L"ORVIK VX-R500 Receipt5";
const wchar_t kEnvironment[] = L"Windows x64";
const wchar_t kQueueName[] = L"VX-R500 Coinstaller Test";
const wchar_t kQueuePort[] = L"VXPORT1";
const wchar_t kDevicePort[] = L"USB001";
const wchar_t kOrvikKey[] = L"SOFTWARE\\ORVIK";
const wchar_t kDriverKey[] = L"SOFTWARE\\ORVIK\\ORVIK Vantrel 5\\VX-R500";
const wchar_t kMutexName[] = L"ORVIK VTD5 VX Printer Create Finish Mutex";
const wchar_t kDeviceName[] = L"VXCOINSTTEST";
const wchar_t* const kLibraries[] = {L"xcoinstVXR500.dll", L"xcoinstRegVXR500.dll"};

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return folder;
}

void WriteFile(const std::wstring& path, const std::string& text) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary);
  out << text;
}

// A printer-class INF whose one model is driven by kDriverName.
std::string Inf(const std::string& ids) {
  return "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
         "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\nProvider=%Maker%\r\n\r\n"
         "[Manufacturer]\r\n%Maker%=Models,NTamd64\r\n\r\n[Models.NTamd64]\r\n"
         "\"ORVIK VX-R500 Receipt5\"=VXR500, " +
         ids + "\r\n\r\n[VXR500]\r\n\r\n[Strings]\r\nMaker=\"ORVIK\"\r\n";
}

std::optional<std::wstring> ReadText(HKEY key, const wchar_t* name) {
  wchar_t text[512] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  return std::wstring(text);
}

std::optional<DWORD> ReadPcs() {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kDriverKey, L"PCS", RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

using gui::MutexState;
MutexState SetUpMutex() { return gui::StateOfMutex(kMutexName); }

struct InstallCase {
  const char* fault;
  const wchar_t* hardwareIds;    // a multi-string (with its closing NUL)
  const wchar_t* compatibleIds;  // nothing: none set
  std::size_t hardwareIdsChars;
  std::size_t compatibleIdsChars;
  bool served;
  bool existingQueue;
};

// Failures name the fault the case catches.
void PrintTo(const InstallCase& c, std::ostream* os) { *os << c.fault; }

class DeviceInstall : public testing::TestWithParam<InstallCase> {
protected:
  void SetUp() override {
    if (!UnderWine()) GTEST_SKIP() << "changes system32, HKLM and the spooler: runs under Wine only";
    InstallLibraries();
    InstallPcs();
    InstallDriverAndQueue();
    mutex_.reset(CreateMutexW(nullptr, FALSE, kMutexName));
    ASSERT_TRUE(mutex_);
  }

  void TearDown() override {
    if (!UnderWine()) return;
    RemoveDevice();
    for (auto& library : pinned_) library.reset();
    mutex_.reset();
    RemoveDriverAndQueue();
    RemovePcs();
    RemoveLibraries();
  }

  void InstallLibraries() {
    for (const wchar_t* name : kLibraries) {
      const std::wstring from = gui::BuildProgramDir() + L"\\" + name;
      const std::wstring to = SystemFolder() + L"\\" + name;
      ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << GetLastError();
    }
  }
  void RemoveLibraries() {
    for (const wchar_t* name : kLibraries) {
      const std::wstring path = SystemFolder() + L"\\" + name;
      EXPECT_TRUE(DeleteFileW(path.c_str())) << GetLastError();
    }
  }

  void InstallPcs() {
    CRegKey probe;
    orvikExisted_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kOrvikKey, 0, KEY_READ, probe.put()) == ERROR_SUCCESS;
    CRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDriverKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    const DWORD pcs = 5;
    ASSERT_EQ(RegSetValueExW(key.get(), L"PCS", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&pcs), sizeof(pcs)),
              ERROR_SUCCESS);
  }
  void RemovePcs() {
    if (!orvikExisted_) {
      EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, kOrvikKey), ERROR_SUCCESS);
    } else {
      RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kDriverKey, L"PCS");
    }
  }

  void InstallDriverAndQueue() {
    const std::wstring ppd = folder_.Path() + L"\\VXR500.PPD";
    WriteFile(ppd, kTestPpd);
    DRIVER_INFO_3W driver = {};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(kDriverName);
    driver.pEnvironment = const_cast<wchar_t*>(kEnvironment);
    driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDataFile = const_cast<wchar_t*>(ppd.c_str());
    ASSERT_TRUE(AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_ALL_FILES))
        << GetLastError();
    driverAdded_ = true;
    if (!GetParam().existingQueue) return;
    DeleteQueue();  // one a failed run left behind
    PRINTER_INFO_2W queue = {};
    queue.pPrinterName = const_cast<wchar_t*>(kQueueName);
    queue.pPortName = const_cast<wchar_t*>(kQueuePort);
    queue.pDriverName = const_cast<wchar_t*>(kDriverName);
    queue.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    queue.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&queue));
    ASSERT_NE(added, nullptr) << GetLastError();
    ClosePrinter(added);
  }
  static bool DeleteQueue() {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<wchar_t*>(kQueueName), &printer, &defaults)) return false;
    const BOOL deleted = DeletePrinter(printer);
    ClosePrinter(printer);
    return deleted != FALSE;
  }
  static bool QueueExists() {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(kQueueName), &printer, nullptr)) return false;
    ClosePrinter(printer);
    return true;
  }
  void RemoveDriverAndQueue() {
    if (GetParam().existingQueue) {
      EXPECT_TRUE(DeleteQueue());
    }
    if (driverAdded_) {
      EXPECT_TRUE(DeletePrinterDriverW(nullptr, const_cast<wchar_t*>(kEnvironment),
                                       const_cast<wchar_t*>(kDriverName)))
          << GetLastError();
    }
  }

  // The printer device, its driver chosen from our INF and both libraries
  // registered as its co-installers.
  void CreateDevice() {
    const auto& c = GetParam();
    set_ = SetupDiCreateDeviceInfoList(&kPrinterClass, nullptr);
    ASSERT_NE(set_, INVALID_HANDLE_VALUE);
    device_.cbSize = sizeof(device_);
    ASSERT_TRUE(SetupDiCreateDeviceInfoW(set_, kDeviceName, &kPrinterClass, nullptr, nullptr, DICD_GENERATE_ID,
                                         &device_));
    ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyW(set_, &device_, SPDRP_HARDWAREID,
                                                  reinterpret_cast<const BYTE*>(c.hardwareIds),
                                                  static_cast<DWORD>(c.hardwareIdsChars * sizeof(wchar_t))));
    if (c.compatibleIds) {
      ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyW(set_, &device_, SPDRP_COMPATIBLEIDS,
                                                    reinterpret_cast<const BYTE*>(c.compatibleIds),
                                                    static_cast<DWORD>(c.compatibleIdsChars * sizeof(wchar_t))));
    }
    ASSERT_TRUE(SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr)) << GetLastError();
    registered_ = true;

    CRegKey deviceKey(SetupDiCreateDevRegKeyW(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr));
    ASSERT_TRUE(deviceKey && deviceKey.get() != INVALID_HANDLE_VALUE);
    ASSERT_EQ(RegSetValueExW(deviceKey.get(), L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(kDevicePort),
                             sizeof(kDevicePort)),
              ERROR_SUCCESS);

    const std::wstring inf = folder_.Path() + L"\\vxr500.inf";
    WriteFile(inf, Inf("USBPRINT\\ORVIKVX-R500E6D2, USBPRINT\\1284_CID_OrvikVX0200B94F, USBPRINT\\OtherMaker"));
    SP_DEVINSTALL_PARAMS_W params = {};
    params.cbSize = sizeof(params);
    ASSERT_TRUE(SetupDiGetDeviceInstallParamsW(set_, &device_, &params));
    params.Flags |= DI_ENUMSINGLEINF;
    wcsncpy(params.DriverPath, inf.c_str(), MAX_PATH - 1);
    ASSERT_TRUE(SetupDiSetDeviceInstallParamsW(set_, &device_, &params));
    ASSERT_TRUE(SetupDiBuildDriverInfoList(set_, &device_, SPDIT_COMPATDRIVER)) << GetLastError();
    ASSERT_TRUE(SetupDiSelectBestCompatDrv(set_, &device_)) << GetLastError();

    CRegKey driverKey(SetupDiCreateDevRegKeyW(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr));
    ASSERT_TRUE(driverKey && driverKey.get() != INVALID_HANDLE_VALUE);
    const wchar_t coInstallers[] = L"xcoinstVXR500.dll,OrvikVXCoInstaller\0xcoinstRegVXR500.dll,OrvikVXCoInstaller\0";
    ASSERT_EQ(RegSetValueExW(driverKey.get(), L"CoInstallers32", 0, REG_MULTI_SZ,
                             reinterpret_cast<const BYTE*>(coInstallers), sizeof(coInstallers)),
              ERROR_SUCCESS);

    // Loaded now, kept loaded between the installer's calls as on Windows.
    for (std::size_t i = 0; i < std::size(kLibraries); ++i) {
      pinned_[i].reset(LoadLibraryW((SystemFolder() + L"\\" + kLibraries[i]).c_str()));
      ASSERT_TRUE(pinned_[i]);
    }
  }
  void RemoveDevice() {
    if (registered_) {
      EXPECT_TRUE(SetupDiRemoveDevice(set_, &device_)) << GetLastError();
    }
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
    set_ = INVALID_HANDLE_VALUE;
    // Wine leaves the emptied enumerator key of the device's name behind.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(L"SYSTEM\\CurrentControlSet\\Enum\\ROOT\\") + kDeviceName).c_str());
  }

  std::optional<std::wstring> DevicePort() {
    CRegKey key(SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
    if (!key || key.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    return ReadText(key.get(), L"PortName");
  }

  DWORD SecondPass() {
    auto entry = GetProc<CoInstallerFn>(pinned_[0].get(), "OrvikVXCoInstaller");
    COINSTALLER_CONTEXT_DATA context = {};
    context.PostProcessing = TRUE;
    context.InstallResult = NO_ERROR;
    return entry(DIF_INSTALLDEVICE, set_, &device_, &context);
  }

  gui::CTempFolder folder_;
  bool orvikExisted_ = false;
  bool driverAdded_ = false;
  bool registered_ = false;
  CHandle mutex_;  // the driver set-up's
  HDEVINFO set_ = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA device_ = {};
  CModule pinned_[2];
};

TEST_P(DeviceInstall, InstallationThroughWinesDeviceInstaller) {
  const auto& c = GetParam();
  CreateDevice();
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_EQ(SetUpMutex(), MutexState::Free);

  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set_, &device_)) << GetLastError();
  // during the installation
  const bool substituted = c.served && c.existingQueue;
  EXPECT_EQ(DevicePort(), substituted ? kQueuePort : kDevicePort) << c.fault;
  EXPECT_EQ(ReadPcs(), c.served ? 0u : 5u) << c.fault;
  EXPECT_EQ(SetUpMutex(), c.served ? MutexState::Held : MutexState::Free) << c.fault;

  EXPECT_EQ(SecondPass(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(DevicePort(), kDevicePort) << c.fault;

  // Wine has no default action for the wizard's end and says so; the
  // co-installers have run by then.
  const ULONGLONG start = GetTickCount64();
  SetupDiCallClassInstaller(DIF_NEWDEVICEWIZARD_FINISHINSTALL, set_, &device_);
  // Wine's spooler offers no change notification: the watcher ends at once
  // instead of being waited for.
  EXPECT_LT(GetTickCount64() - start, 5000u) << c.fault;
  EXPECT_EQ(ReadPcs(), 5u) << c.fault;
  EXPECT_EQ(SetUpMutex(), MutexState::Free) << c.fault;
  EXPECT_EQ(DevicePort(), kDevicePort) << c.fault;
  EXPECT_EQ(QueueExists(), c.existingQueue) << c.fault;
}

const wchar_t kServedHardware[] = L"USBPRINT\\ORVIKVX-R500E6D2\0";
const wchar_t kOtherHardware[] = L"USBPRINT\\OtherMaker\0";
const wchar_t kServedCompatible[] = L"USBPRINT\\Generic\0USBPRINT\\1284_CID_OrvikVX0200B94F\0";

INSTANTIATE_TEST_SUITE_P(
    Wine, DeviceInstall,
    testing::Values(
        InstallCase{"served device not pointed at the existing queue's port", kServedHardware, nullptr,
                    std::size(kServedHardware), 0, true, true},
        InstallCase{"device served only by a compatible id missed", kOtherHardware, kServedCompatible,
                    std::size(kOtherHardware), std::size(kServedCompatible), true, true},
        InstallCase{"device of another maker touched", kOtherHardware, nullptr, std::size(kOtherHardware), 0, false,
                    true},
        InstallCase{"watcher on a spooler without notifications waited for", kServedHardware, nullptr,
                    std::size(kServedHardware), 0, true, false}));

}  // namespace
