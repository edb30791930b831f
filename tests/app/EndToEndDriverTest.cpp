// The utility as the printer driver's tools and the retail-device set-up see
// it: the queues of the driver listed in the driver start mode, and the
// retail-device name beside a port of the driver's port monitor. Both change
// machine-wide state (spooler, HKLM) and take it all away again.

#include "tests/app/EndToEnd.h"

#include <winspool.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/TestPpd.h"

namespace e2e {
namespace {

const wchar_t kEnvironment[] = L"Windows x64";

bool DeleteQueue(const std::wstring& name) {
  HANDLE printer = nullptr;
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, &defaults)) return false;
  const BOOL deleted = DeletePrinter(printer);
  ClosePrinter(printer);
  return deleted != FALSE;
}

// Printer drivers and queues of a test, through the spooler; all removed at
// the end, whatever happened (queues first: a driver in use stays).
class CSpoolerQueues {
public:
  explicit CSpoolerQueues(const std::wstring& folder) : ppd_(folder + L"\\VXE2E.PPD") {
    EXPECT_TRUE(gui::WriteFileBytes(ppd_, kTestPpd));
  }
  ~CSpoolerQueues() {
    for (const auto& q : queues_) EXPECT_TRUE(DeleteQueue(q)) << "queue left behind";
    for (const auto& d : drivers_) {
      EXPECT_TRUE(DeletePrinterDriverW(nullptr, const_cast<wchar_t*>(kEnvironment), const_cast<wchar_t*>(d.c_str())))
          << "driver left behind, error " << GetLastError();
    }
  }
  CSpoolerQueues(const CSpoolerQueues&) = delete;
  CSpoolerQueues& operator=(const CSpoolerQueues&) = delete;

  bool Add(const std::wstring& queue, const std::wstring& driver, const std::wstring& port) {
    if (std::find(drivers_.begin(), drivers_.end(), driver) == drivers_.end()) {
      DRIVER_INFO_3W info = {};
      info.cVersion = 3;
      info.pName = const_cast<wchar_t*>(driver.c_str());
      info.pEnvironment = const_cast<wchar_t*>(kEnvironment);
      info.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
      info.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
      info.pDataFile = const_cast<wchar_t*>(ppd_.c_str());
      if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_ALL_FILES)) {
        ADD_FAILURE() << "driver " << std::string(driver.begin(), driver.end()) << ": " << GetLastError();
        return false;
      }
      drivers_.push_back(driver);
    }
    DeleteQueue(queue);  // one a failed run left behind
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<wchar_t*>(queue.c_str());
    info.pPortName = const_cast<wchar_t*>(port.c_str());
    info.pDriverName = const_cast<wchar_t*>(driver.c_str());
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!added) {
      ADD_FAILURE() << "queue " << std::string(queue.begin(), queue.end()) << ": " << GetLastError();
      return false;
    }
    ClosePrinter(added);
    queues_.push_back(queue);
    return true;
  }

private:
  std::wstring ppd_;
  std::vector<std::wstring> drivers_;
  std::vector<std::wstring> queues_;
};

// Subkeys of the retail-device printers' key, each with a "Port" value;
// removed at the end with every level of the key the test created.
class CRetailDevices {
public:
  // view: the registry view the devices go to (a 32-bit service writes the
  // 32-bit one).
  explicit CRetailDevices(REGSAM view = KEY_WOW64_64KEY) : view_(view) {
    std::wstring path;
    for (const wchar_t* level : {L"SOFTWARE\\OLEforRetail", L"\\ServiceOPOS", L"\\POSPrinter"}) {
      path += level;
      HKEY key = nullptr;
      DWORD disposition = 0;
      if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &key,
                          &disposition) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create HKLM\\" << std::string(path.begin(), path.end());
        return;
      }
      RegCloseKey(key);
      if (disposition == REG_CREATED_NEW_KEY) created_.push_back(path);
    }
    base_ = path;
  }
  ~CRetailDevices() {
    for (const auto& d : devices_) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (base_ + L"\\" + d).c_str(), view_, 0);
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, it->c_str(), view_, 0);
    }
  }
  CRetailDevices(const CRetailDevices&) = delete;
  CRetailDevices& operator=(const CRetailDevices&) = delete;

  // A device whose "Port" is a text, or a number when asNumber.
  void Add(const std::wstring& device, const std::wstring& port, bool asNumber = false) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (base_ + L"\\" + device).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | view_, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    devices_.push_back(device);
    if (asNumber) {
      const DWORD number = static_cast<DWORD>(_wtoi(port.c_str()));
      RegSetValueExW(key, L"Port", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    } else {
      RegSetValueExW(key, L"Port", 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                     static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
  }

private:
  REGSAM view_;
  std::wstring base_;
  std::vector<std::wstring> created_;
  std::vector<std::wstring> devices_;
};

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST_F(EndToEnd, DriverModeListsTheQueuesOfTheDriver) {
  CSpoolerQueues spooler(temp_.Path());
  const struct {
    std::wstring queue;
    std::wstring driver;
    std::wstring port;
    bool listed;
  } queues[] = {
      // catches: the queue on the emulated printer's port-monitor port not listed
      {L"E2E Receipt queue", L"ORVIK VX-R500 Receipt5 E2E", monitor_, true},
      // catches: only one of the two driver kinds looked for
      {L"E2E Label queue", L"ORVIK VX-R500 Label5 E2E", L"VXPORT8", true},
      // catches: any driver of the model taken, without " Receipt5" or " Label5"
      {L"E2E Plain queue", L"ORVIK VX-R500 E2E", L"VXPORT8", false},
      // catches: the words looked for without their leading space
      {L"E2E Joined queue", L"ORVIK VX-R500Receipt5 E2E", L"VXPORT8", false},
      // catches: a Receipt5 driver of another maker or model taken
      {L"E2E Other queue", L"OTHER VX-R200 Receipt5 E2E", L"VXPORT8", false},
  };
  for (const auto& q : queues) ASSERT_TRUE(spooler.Add(q.queue, q.driver, q.port));

  HWND dialog = StartAndWaitForSelection(L"/mVTD5");
  ASSERT_NE(dialog, nullptr);
  const auto names = ListColumn(dialog, 0);
  for (const auto& q : queues) {
    EXPECT_EQ(Contains(names, q.queue), q.listed) << std::string(q.queue.begin(), q.queue.end());
  }
  // catches: the port buttons of the library's own list offered for the driver's queues
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, 1003)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, 1004)));
  gui::PressButton(dialog, IDCANCEL);
  ASSERT_TRUE(utility_->WaitForExit(kStartMs));

  const struct {
    const char* name;
    std::wstring queue;
    std::vector<std::wstring> rows;
  } chosen[] = {
      // catches: /q ignored, every queue of the driver listed
      {"a queue of the driver", L"E2E Receipt queue", {L"E2E Receipt queue"}},
      // catches: /q taken over the driver rule
      {"a queue of another driver", L"E2E Other queue", {}},
  };
  for (const auto& c : chosen) {
    SCOPED_TRACE(c.name);
    dialog = StartAndWaitForSelection(L"/mVTD5 \"/q" + c.queue + L"\"");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ListColumn(dialog, 0), c.rows);
    gui::PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(utility_->WaitForExit(kStartMs));
  }

  // The queue's row is the library's port of the same name: the printer behind
  // it answers and opens.
  dialog = StartAndWaitForSelection(L"/mVTD5 \"/qE2E Receipt queue\"");
  ASSERT_NE(dialog, nullptr);
  // catches: the row not joined to the library's port entry (no port path, no spooler port)
  EXPECT_EQ(ListColumn(dialog, 3), std::vector<std::wstring>{monitor_});
  gui::PressButton(dialog, IDOK);
  HWND frame = WaitForMainWindow();
  ASSERT_NE(frame, nullptr);
  PostMessageW(frame, WM_CLOSE, 0, 0);
  ASSERT_TRUE(utility_->WaitForExit(kStartMs));
}

TEST_F(EndToEnd, RetailDeviceNameFollowsTheSpoolerPort) {
  CRetailDevices devices;
  devices.Add(L"E2E POS 3", L"VXPORT3");
  devices.Add(L"E2E POS 5", L"5", true);
  devices.Add(L"E2E POS 60", L"VXPORT60");
  devices.Add(L"E2E POS 7", L"ESDPRT7");
  devices.Add(L"E2E POS 0", L"VXPORT0");
  CRetailDevices devices32(KEY_WOW64_32KEY);
  devices32.Add(L"E2E POS 4 (32-bit)", L"VXPORT4");
  WritePortRegistry(L"USB\tE2E4\tpipe://vx/VXPORT4\tVX-R200\n"
                    L"USB\tE2E3\tpipe://vx/VXPORT3/E2E queue\tVX-R200\n"
                    L"USB\tE2E5\tpipe://VX/VXPORT5\tVX-R200\n"
                    L"USB\tE2E6\tpipe://vx/VXPORT6/x\tVX-R200\n"
                    L"USB\tE2E7\tpipe://vx/vxPort7/x\tVX-R200\n"
                    L"USB\tE2E0\tpipe://vx/VXPORT0\tVX-R200\n"
                    L"NET\tE2E9\ttcp://127.0.0.1:1\tVX-R200\n");
  const struct {
    std::wstring portName;
    std::wstring column3;
  } cases[] = {
      // catches: the retail-device name not looked up, or the queue part kept in the text
      {L"E2E3", L"VXPORT3(E2E POS 3)"},
      // catches: a number value taken for the port, or the scheme matched by case
      {L"E2E5", L"VXPORT5"},
      // catches: the numbers compared as a prefix of each other
      {L"E2E6", L"VXPORT6"},
      // catches: the device's port read as "VXPORT" and a number only, or the name's case changed
      {L"E2E7", L"vxPort7(E2E POS 7)"},
      // catches: port number 0 matched
      {L"E2E0", L"VXPORT0"},
      // catches: a device of a 32-bit service, kept in the 32-bit view, missed
      {L"E2E4", L"VXPORT4(E2E POS 4 (32-bit))"},
      // catches: a text for a port that is not the port monitor's
      {L"E2E9", L""},
  };
  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  const auto ports = ListColumn(dialog, 2);
  const auto spooler = ListColumn(dialog, 3);
  for (const auto& c : cases) {
    const auto row = std::find(ports.begin(), ports.end(), c.portName);
    ASSERT_NE(row, ports.end()) << std::string(c.portName.begin(), c.portName.end());
    EXPECT_EQ(spooler[row - ports.begin()], c.column3) << std::string(c.portName.begin(), c.portName.end());
  }
  gui::PressButton(dialog, IDCANCEL);
  ASSERT_TRUE(utility_->WaitForExit(kStartMs));
}

}  // namespace
}  // namespace e2e
