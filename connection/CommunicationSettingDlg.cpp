#include "connection/CommunicationSettingDlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "app/resource.h"
#include "connection/PortTools.h"
#include "connection/PrinterEntryRules.h"
#include "connection/PrinterSelectDlg.h"
#include "framework/MessageBoxes.h"
#include "framework/TextFormat.h"

// The modal dialog shown while a tool runs; the port setup dialog ends it
// when the tool's thread reports the tool's end.
class CToolWaitDlg : public CDialog {
public:
  explicit CToolWaitDlg(CCommunicationSettingDlg& owner) : owner_(owner) {}
  void Close() { End(IDOK); }

protected:
  BOOL OnInitDialog() override {
    owner_.waiting_ = this;
    if (owner_.toolStarted_) owner_.ApplyWaitingTexts();
    // The tool may have come and gone before this dialog existed.
    if (owner_.toolEnded_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    return TRUE;
  }
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_CLOSE && owner_.toolEnded_) {
      End(IDOK);
      return TRUE;
    }
    if (msg == WM_DESTROY && owner_.waiting_ == this) owner_.waiting_ = nullptr;
    return CDialog::OnMessage(msg, wp, lp);
  }
  // Only the tool's end closes it.
  void OnOK() override {}
  void OnCancel() override {}

private:
  CCommunicationSettingDlg& owner_;
};

namespace {

const wchar_t kModelName[] = L"VX-R500";
static_assert(kPortInterfaces == kInterfaceSlots);

struct ToolRun {
  HWND dialog;
  std::wstring path;
  UINT startedMessage;
  WPARAM startedParam;
  UINT endedMessage;
  WPARAM endedParam;
};

DWORD WINAPI ToolThread(void* parameter) noexcept {
  auto* run = static_cast<ToolRun*>(parameter);
  try {
    SendMessageW(run->dialog, run->startedMessage, run->startedParam, 0);
    std::wstring commandLine = L"\"" + run->path + L"\"";
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(run->path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                       nullptr, &startup, &info)) {
      CloseHandle(info.hThread);
      WaitForSingleObject(info.hProcess, INFINITE);
      CloseHandle(info.hProcess);
    }
    SendMessageW(run->dialog, run->endedMessage, run->endedParam, 0);
  } catch (...) {
  }
  delete run;
  return 0;
}

// Shown by the layout (the dialog itself may not be visible yet).
bool IsShown(HWND control) { return control && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

int32_t ItemDataOfSelection(HWND combo) {
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return 0;
  return static_cast<int32_t>(SendMessageW(combo, CB_GETITEMDATA, index, 0));
}

std::wstring ComboText(HWND combo, LRESULT index) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR || length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

CCommunicationSettingDlg::CCommunicationSettingDlg(HINSTANCE instance, const UtilitySettings& settings, VXC* comm,
                                                   const CLangResourceTable* texts)
    : instance_(instance), settings_(settings), comm_(comm), texts_(texts), found_(kFirstCapacity) {}

INT_PTR CCommunicationSettingDlg::Run(HWND owner) { return DoModal(instance_, IDD_PORT_ADD_DLG, owner); }

CCommunicationSettingDlg::~CCommunicationSettingDlg() {
  if (toolThread_) CloseHandle(toolThread_);
}

std::wstring CCommunicationSettingDlg::String(int number, const wchar_t* fallback) const {
  return texts_ ? texts_->StringOr(number, fallback) : std::wstring(fallback);
}

void CCommunicationSettingDlg::Warn(int number, const wchar_t* fallback) {
  const std::wstring text = texts_ ? texts_->MessageOr(number, fallback) : std::wstring(fallback);
  ShowWarningMessage(hwnd_, text.c_str());
}

void CCommunicationSettingDlg::Inform(int number, const wchar_t* fallback) {
  const std::wstring text = texts_ ? texts_->MessageOr(number, fallback) : std::wstring(fallback);
  ShowInfoMessage(hwnd_, text.c_str());
}

BOOL CCommunicationSettingDlg::OnInitDialog() {
  if (!texts_) return TRUE;
  SetWindowTextW(hwnd_, String(0, L"Add Port").c_str());
  SetDlgItemTextW(hwnd_, IDC_PORT_HEADER,
                  FormatText(String(13, L"Select the communication interface to %s."), {kModelName}).c_str());
  texts_->ApplyCaptions(hwnd_);

  HWND address = Item(IDC_PORT_ADDRESS);
  SendMessageW(address, IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 192, 168));
  DWORD stored = 0;
  SendMessageW(address, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&stored));
  address_ = stored;

  RECT positions[kInterfaceSlots] = {};
  for (int i = 0; i < kInterfaceSlots; ++i) {
    HWND button = Item(kInterfaceButtonBase + i);
    GetWindowRect(button, &positions[i]);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&positions[i]), 2);
    ShowWindow(button, SW_HIDE);
  }
  const InterfaceButtons buttons =
      LayOutInterfaceButtons(settings_.supportedInterfaceKinds, settings_.defaultInterfaceKind);
  for (int i = 0; i < kInterfaceSlots; ++i) {
    const int32_t iface = buttons.atPosition[static_cast<std::size_t>(i)];
    if (iface < 0) continue;
    HWND button = Item(kInterfaceButtonBase + iface);
    SetWindowPos(button, nullptr, positions[i].left, positions[i].top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  if (buttons.selected >= 0) {
    CheckRadioButton(hwnd_, IDC_PORT_SERIAL, IDC_PORT_BLUETOOTH, kInterfaceButtonBase + buttons.selected);
    SelectInterface(buttons.selected);
  } else {
    // Nothing offered: nothing to test or accept.
    for (const LayoutCell& cell : PortSetupLayout(-1)) {
      ShowWindow(Item(cell.controlId), cell.visible ? SW_SHOW : SW_HIDE);
      EnableWindow(Item(cell.controlId), FALSE);
    }
    EnableTestAndOk(false);
  }
  return TRUE;
}

void CCommunicationSettingDlg::ApplyLayout(int32_t iface) {
  for (const LayoutCell& cell : PortSetupLayout(iface)) {
    HWND control = Item(cell.controlId);
    ShowWindow(control, cell.visible ? SW_SHOW : SW_HIDE);
    EnableWindow(control, cell.visible ? TRUE : FALSE);
    if (cell.visible && cell.stringNumber >= 0) SetWindowTextW(control, String(cell.stringNumber, L"").c_str());
  }
}

void CCommunicationSettingDlg::SelectInterface(int32_t iface) {
  interface_ = iface;
  networkToolPath_.clear();
  portToolPath_.clear();
  ApplyLayout(iface);
  if (iface == kEthernet) {
    networkToolPath_ = NetworkToolPath();
    EnableWindow(Item(IDC_PORT_NET_TOOL), PathExists(networkToolPath_));
  } else {
    portToolPath_ = PortToolPath();
    if (IsShown(Item(IDC_PORT_PORT_TOOL))) EnableWindow(Item(IDC_PORT_PORT_TOOL), PathExists(portToolPath_));
  }
  if (iface == kBluetooth) {
    bluetoothToolPath_ = BluetoothToolPath();
    EnableWindow(Item(IDC_PORT_BT_TOOL), !bluetoothToolPath_.empty());
  }
  SearchPorts(true);

  for (int id : {IDC_PORT_BAUD, IDC_PORT_PARITY, IDC_PORT_BITS, IDC_PORT_FLOW}) {
    SendDlgItemMessageW(hwnd_, id, CB_RESETCONTENT, 0, 0);
  }
  if (texts_) texts_->ApplyComboBoxItems(hwnd_);
  SendDlgItemMessageW(hwnd_, IDC_PORT_BAUD, CB_SETCURSEL, 6, 0);
  SendDlgItemMessageW(hwnd_, IDC_PORT_PARITY, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageW(hwnd_, IDC_PORT_BITS, CB_SETCURSEL, 1, 0);
  SendDlgItemMessageW(hwnd_, IDC_PORT_FLOW, CB_SETCURSEL, 0, 0);

  if (iface == kEthernet) {
    HWND address = Item(IDC_PORT_ADDRESS);
    if (address_ == 0) {
      SendMessageW(address, IPM_CLEARADDRESS, 0, 0);
    } else {
      SendMessageW(address, IPM_SETADDRESS, 0, static_cast<LPARAM>(address_));
    }
    EnableTestAndOk(address_ != 0);
  } else {
    EnableTestAndOk(SendDlgItemMessageW(hwnd_, IDC_PORT_LIST, CB_GETCOUNT, 0, 0) > 0);
  }
}

std::vector<PrinterEntry> CCommunicationSettingDlg::Enumerate(const std::wstring& kind) {
  std::vector<PrinterEntry> entries(kFirstCapacity);
  if (!comm_) return {};
  uint32_t count = 0;
  if (comm_->VXC_EnumDevPort(kind.c_str(), entries.data(), static_cast<uint32_t>(entries.size()), &count) != kVxcOk) {
    return {};
  }
  if (count > entries.size()) {
    // More than the block holds: enlarge it and ask again.
    entries.assign(count, PrinterEntry{});
    uint32_t again = 0;
    if (comm_->VXC_EnumDevPort(kind.c_str(), entries.data(), count, &again) != kVxcOk) return {};
    count = std::min(again, count);
  }
  entries.resize(count);
  return entries;
}

void CCommunicationSettingDlg::SearchPorts(bool selecting) {
  if (interface_ == kEthernet) {
    if (IsShown(Item(IDC_PORT_NET_SEARCH))) {
      PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_PORT_NET_SEARCH, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Item(IDC_PORT_NET_SEARCH)));
    }
    return;
  }
  const std::wstring kind = PortSearchKind(interface_, SupportsInterface(settings_.supportedInterfaceKinds, kBluetooth));
  HWND list = Item(IDC_PORT_LIST);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  found_ = Enumerate(kind);
  for (std::size_t i = 0; i < found_.size(); ++i) {
    const std::wstring line = PortLineText(interface_, found_[i].portName);
    const LRESULT at = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (at >= 0) SendMessageW(list, CB_SETITEMDATA, at, static_cast<LPARAM>(i));
  }
  SendMessageW(list, CB_SETCURSEL, 0, 0);
  const bool any = !found_.empty();
  if (!selecting) {
    if (!any) Inform(3, L"Cannot find the printer.");
    EnableTestAndOk(any);
  }
}

void CCommunicationSettingDlg::SearchNetwork() {
  HWND list = Item(IDC_PORT_NET_RESULTS);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  netFound_ = Enumerate(L"NET");
  LRESULT at = 0;
  for (std::size_t i = 0; i < netFound_.size(); ++i) {
    // Each line goes where the one before it went: the newest comes first.
    const LRESULT put = SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(at),
                                     reinterpret_cast<LPARAM>(netFound_[i].portName));
    if (put < 0) continue;
    at = put;
    SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(put), static_cast<LPARAM>(i));
  }
  if (netFound_.empty()) Inform(3, L"Cannot find the printer.");
}

void CCommunicationSettingDlg::TakeAddressFromResult() {
  HWND list = Item(IDC_PORT_NET_RESULTS);
  const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return;
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return;
  std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
  line.resize(static_cast<std::size_t>(length));
  const auto address = AddressOfLine(line);
  if (!address) return;
  address_ = *address;
  SendDlgItemMessageW(hwnd_, IDC_PORT_ADDRESS, IPM_SETADDRESS, 0, static_cast<LPARAM>(address_));
  EnableTestAndOk(true);
}

void CCommunicationSettingDlg::OnAddressChanged() {
  const bool blank = SendDlgItemMessageW(hwnd_, IDC_PORT_ADDRESS, IPM_ISBLANK, 0, 0) != 0;
  EnableTestAndOk(!(blank && address_ == 0));
}

void CCommunicationSettingDlg::EnableTestAndOk(bool enable) {
  EnableWindow(Item(IDOK), enable ? TRUE : FALSE);
  EnableWindow(Item(IDC_PORT_TEST), enable ? TRUE : FALSE);
}

PortSettings CCommunicationSettingDlg::CollectSettings() {
  PortSettings s;
  s.type = TypeOfInterface(interface_);
  HWND list = Item(IDC_PORT_LIST);
  const LRESULT line = SendMessageW(list, CB_GETCURSEL, 0, 0);
  const std::wstring lineText = line == CB_ERR ? std::wstring() : ComboText(list, line);
  switch (interface_) {
    case kSerial:
      s.portText = lineText;
      s.serialValues = {ItemDataOfSelection(Item(IDC_PORT_BAUD)), ItemDataOfSelection(Item(IDC_PORT_PARITY)),
                        ItemDataOfSelection(Item(IDC_PORT_BITS))};
      break;
    case kParallel:
    case kBluetooth:
      s.portText = lineText;
      break;
    case kUsb: {
      s.portText = PortTextOfLine(kUsb, lineText);
      const auto index = line == CB_ERR ? -1 : static_cast<LRESULT>(SendMessageW(list, CB_GETITEMDATA, line, 0));
      if (index >= 0 && static_cast<std::size_t>(index) < found_.size()) {
        std::memcpy(s.usbDeviceData.data(), found_[static_cast<std::size_t>(index)].usbDeviceData,
                    s.usbDeviceData.size());
      }
      break;
    }
    case kEthernet: {
      DWORD address = 0;
      SendDlgItemMessageW(hwnd_, IDC_PORT_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
      address_ = address;
      s.octets = {static_cast<uint8_t>(FIRST_IPADDRESS(address)), static_cast<uint8_t>(SECOND_IPADDRESS(address)),
                  static_cast<uint8_t>(THIRD_IPADDRESS(address)), static_cast<uint8_t>(FOURTH_IPADDRESS(address))};
      break;
    }
    default:
      break;
  }
  return s;
}

bool CCommunicationSettingDlg::BuildEntry(PrinterEntry& entry) {
  std::memset(&entry, 0, sizeof(entry));
  entry.portSetupValue1 = -1;
  entry.portSetupValue2 = -1;
  const auto fields = BuildPortEntry(CollectSettings());
  if (!fields) return false;
  CopyText(entry.interfaceKindText, fields->kindText.c_str());
  CopyText(entry.portName, fields->portName.c_str());
  CopyText(entry.deviceName, fields->deviceName.c_str());
  if (fields->serialValuesSet) {
    entry.serialValuesSet = 1;
    std::copy(fields->serialValues.begin(), fields->serialValues.end(), entry.serialValues);
  }
  std::memcpy(entry.usbDeviceData, fields->usbDeviceData.data(), sizeof(entry.usbDeviceData));
  return true;
}

int CCommunicationSettingDlg::Test() {
  PrinterEntry entry;
  if (!BuildEntry(entry)) {
    Warn(0, L"A communication error occurred.");
    return 0;
  }
  VXC* comm = comm_;
  const VXCRESULT tested =
      comm ? Responsive([&] { return comm->VXC_CommunicationTest(&entry); }) : kVxcNotBound;
  if (tested != kVxcOk) {
    if (comm) comm->Close();
    Warn(0, L"A communication error occurred.");
    return 0;
  }
  const bool driverMode = settings_.startMode == static_cast<int32_t>(StartMode::Vtd5) ||
                          settings_.startMode == static_cast<int32_t>(StartMode::Vtd5Logo);
  bool served = false;
  if (driverMode) {
    served = MatchesModelFamily(entry.deviceName);
  } else if (std::wcscmp(entry.deviceName, L"VX-R200") == 0) {
    served = Responsive([&] { return QueryModelVariant(comm, &entry); }) == 24;
    if (!served) comm->VXC_RemovePort(&entry);
  }
  if (!served) {
    Warn(2, L"The device ID does not match the connected printer.");
    return 0;
  }
  result_ = entry;
  return 1;
}

void CCommunicationSettingDlg::OnCommunicationTest() {
  HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const int ok = Test();
  SetCursor(previous);
  if (ok == 1) Inform(1, L"Communication test completed successfully.");
}

void CCommunicationSettingDlg::OnOK() {
  HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const int ok = Test();
  SetCursor(previous);
  if (ok == 1) End(IDOK);
}

void CCommunicationSettingDlg::RunToolThread(const std::wstring& path, UINT startedMessage, WPARAM startedParam,
                                             UINT endedMessage, WPARAM endedParam, int waitTemplate) {
  if (toolThread_) return;  // one tool at a time
  toolEnded_ = false;
  toolStarted_ = false;
  waitTemplate_ = waitTemplate;
  auto* run = new ToolRun{hwnd_, path, startedMessage, startedParam, endedMessage, endedParam};
  toolThread_ = CreateThread(nullptr, 0, &ToolThread, run, 0, nullptr);
  if (!toolThread_) {
    delete run;
    return;
  }
  CToolWaitDlg waiting(*this);
  waiting.DoModal(instance_, waitTemplate, hwnd_);
}

void CCommunicationSettingDlg::EndWaiting() {
  toolEnded_ = true;
  if (waiting_) waiting_->Close();
  if (toolThread_) {
    CloseHandle(toolThread_);
    toolThread_ = nullptr;
  }
}

void CCommunicationSettingDlg::StartNetworkTool() {
  if (networkToolPath_.empty()) {
    MessageBeep(MB_OK);
    return;
  }
  RunToolThread(networkToolPath_, WM_VX_NET_TOOL, 1, WM_VX_NET_TOOL, 0, IDD_NET_TOOL_WAIT);
}

void CCommunicationSettingDlg::StartPortTool() {
  if (!portToolPath_.empty()) {
    ShellExecuteW(hwnd_, L"open", portToolPath_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  SearchPorts(false);
}

void CCommunicationSettingDlg::StartBluetoothTool() {
  if (bluetoothToolPath_.empty()) return;
  RunToolThread(bluetoothToolPath_, WM_VX_BT_TOOL_STARTED, 0, WM_VX_BT_TOOL_ENDED, 0, IDD_BT_TOOL_WAIT);
}

namespace {

const int kBluetoothRunControls[] = {IDC_PORT_SERIAL, IDC_PORT_PARALLEL, IDC_PORT_USB, IDC_PORT_ETHERNET,
                                     IDC_PORT_BLUETOOTH, IDC_PORT_LIST, IDC_PORT_LABEL, IDC_PORT_SEARCH,
                                     IDC_PORT_BT_TOOL, IDC_PORT_PORT_TOOL, IDC_PORT_TEST, IDOK, IDCANCEL};

}  // namespace

void CCommunicationSettingDlg::ApplyWaitingTexts() {
  if (!waiting_) return;
  if (waitTemplate_ == IDD_BT_TOOL_WAIT) {
    SetWindowTextW(waiting_->Hwnd(), String(1034, L"Run Paring").c_str());
    SetDlgItemTextW(waiting_->Hwnd(), IDC_BT_TOOL_TEXT, String(5018, L"Paring").c_str());
  } else {
    SetWindowTextW(waiting_->Hwnd(), String(5019, L"Run OrvikNet Config").c_str());
    SetDlgItemTextW(waiting_->Hwnd(), IDC_NET_TOOL_TEXT, String(5020, L"OrvikNet Config Running...").c_str());
  }
}

void CCommunicationSettingDlg::OnBluetoothToolStarted() {
  toolStarted_ = true;
  for (int id : kBluetoothRunControls) EnableWindow(Item(id), FALSE);
  ApplyWaitingTexts();
}

void CCommunicationSettingDlg::OnBluetoothToolEnded() {
  for (int id : kBluetoothRunControls) {
    if (id == IDC_PORT_BT_TOOL && bluetoothToolPath_.empty()) continue;
    if (id == IDC_PORT_PORT_TOOL && portToolPath_.empty()) continue;
    EnableWindow(Item(id), TRUE);
  }
  SearchPorts(false);
  const std::wstring file = BluetoothToolSettingFile();
  if (PathExists(file)) {
    wchar_t port[256] = {};
    GetPrivateProfileStringW(L"Setting", L"VirtualComPort", L"", port, 256, file.c_str());
    if (port[0]) {
      HWND list = Item(IDC_PORT_LIST);
      const auto count = static_cast<LRESULT>(SendMessageW(list, CB_GETCOUNT, 0, 0));
      for (LRESULT i = 0; i < count; ++i) {
        if (ComboText(list, i) == port) {
          SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
          break;
        }
      }
    }
  }
  EndWaiting();
}

void CCommunicationSettingDlg::OnNetworkTool(WPARAM state) {
  if (state == 1) {
    toolStarted_ = true;
    EnableWindow(Item(IDC_PORT_NET_TOOL), FALSE);
    ApplyWaitingTexts();
  } else {
    EnableWindow(Item(IDC_PORT_NET_TOOL), TRUE);
    EndWaiting();
  }
}

INT_PTR CCommunicationSettingDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_VX_BT_TOOL_STARTED:
      OnBluetoothToolStarted();
      SetResult(0);
      return TRUE;
    case WM_VX_BT_TOOL_ENDED:
      OnBluetoothToolEnded();
      SetResult(0);
      return TRUE;
    case WM_VX_NET_TOOL:
      if (wp != 0 && wp != 1) {
        SetResult(ERROR_INVALID_PARAMETER);
        return TRUE;
      }
      OnNetworkTool(wp);
      SetResult(0);
      return TRUE;
    default:
      return CDialog::OnMessage(msg, wp, lp);
  }
}

void CCommunicationSettingDlg::OnCommand(int id, int code, HWND control) {
  if (id >= IDC_PORT_SERIAL && id <= IDC_PORT_BLUETOOTH && code == BN_CLICKED) {
    SelectInterface(id - kInterfaceButtonBase);
    return;
  }
  switch (id) {
    case IDC_PORT_SEARCH:
      if (code == BN_CLICKED) SearchPorts(false);
      return;
    case IDC_PORT_NET_SEARCH:
      if (code == BN_CLICKED) SearchNetwork();
      return;
    case IDC_PORT_NET_RESULTS:
      if (code == LBN_SELCHANGE) TakeAddressFromResult();
      return;
    case IDC_PORT_ADDRESS:
      if (code == EN_CHANGE) OnAddressChanged();
      return;
    case IDC_PORT_TEST:
      if (code == BN_CLICKED) OnCommunicationTest();
      return;
    case IDC_PORT_NET_TOOL:
      if (code == BN_CLICKED) StartNetworkTool();
      return;
    case IDC_PORT_PORT_TOOL:
      if (code == BN_CLICKED) StartPortTool();
      return;
    case IDC_PORT_BT_TOOL:
      if (code == BN_CLICKED) StartBluetoothTool();
      return;
    default:
      CDialog::OnCommand(id, code, control);
  }
}
