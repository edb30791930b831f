#include "tests/app/EndToEnd.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <iostream>

namespace e2e {

const wchar_t kProperty[] = L"VX-R500_UTILITY_VX-R500";

namespace {

std::wstring SharedDataPath() {
  wchar_t common[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common))) return {};
  return std::wstring(common) + L"\\ORVIK\\VXR500UTL";
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

CSharedDataFolder::CSharedDataFolder() : path_(SharedDataPath()) {
  if (path_.empty() || !Exists(path_)) return;
  const std::wstring aside = path_ + L".kept-by-test-" + std::to_wstring(GetCurrentProcessId());
  if (MoveFileW(path_.c_str(), aside.c_str())) keptAside_ = aside;
}

CSharedDataFolder::~CSharedDataFolder() {
  if (path_.empty()) return;
  gui::RemoveTree(path_);
  if (!keptAside_.empty()) MoveFileW(keptAside_.c_str(), path_.c_str());
}

void CSharedDataFolder::Clear() const {
  gui::RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

SOCKET ConnectTo(uint16_t port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

std::string Exchange(SOCKET s, const std::string& bytes, std::size_t want, DWORD timeoutMs) {
  if (!bytes.empty() && send(s, bytes.data(), static_cast<int>(bytes.size()), 0) != static_cast<int>(bytes.size())) {
    return {};
  }
  std::string answer;
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (answer.size() < want && GetTickCount64() < end) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{0, 50000};
    if (select(0, &set, nullptr, nullptr, &tv) != 1) continue;
    char buffer[256];
    const int n = recv(s, buffer, sizeof(buffer), 0);
    if (n <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  return answer;
}

uint32_t Le32At(const std::string& bytes, std::size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

std::optional<std::string> SavedDataFile(const CSharedDataFolder& shared) {
  wchar_t folder[64] = {}, device[64] = {};
  const std::wstring ini = shared.File(L"PrinterSetting.INI");
  GetPrivateProfileStringW(L"PORT_0", L"Dir", L"", folder, 64, ini.c_str());
  GetPrivateProfileStringW(L"PORT_0", L"DeviceName", L"", device, 64, ini.c_str());
  return gui::ReadFileBytes(shared.File(std::wstring(folder) + L"\\" + device + L"_Setting.DAT"));
}

std::optional<std::string> DataFileBlock(const std::string& data, uint32_t id) {
  std::size_t at = 136;
  while (at + 32 <= data.size()) {
    const uint32_t size = Le32At(data, at + 12);
    if (size < 32 || size > data.size() - at) return std::nullopt;
    if (Le32At(data, at + 4) == id) return data.substr(at, size);
    at += size;
  }
  return std::nullopt;
}

bool PipeExists(const std::wstring& name) {
  if (WaitNamedPipeW(name.c_str(), 1)) return true;
  // Busy instances are there too; only a name nobody serves is missing.
  const DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_BAD_PATHNAME;
}

void Type(HWND edit, const std::wstring& text) {
  SendMessageW(edit, EM_SETSEL, 0, -1);
  for (wchar_t c : text) PostMessageW(edit, WM_CHAR, c, 1);
}

HWND WaitForDialogWith(DWORD processId, int controlId, HWND besides) {
  return gui::WaitForWindow(
      processId,
      [controlId, besides](const gui::WindowInfo& w) {
        return w.hwnd != besides && IsWindowVisible(w.hwnd) && GetDlgItem(w.hwnd, controlId);
      },
      kStartMs);
}

HWND MenuList(HWND frame) { return gui::FindChildOfClass(frame, L"SysListView32"); }

std::vector<std::wstring> MenuRows(HWND frame) {
  HWND list = MenuList(frame);
  std::vector<std::wstring> rows;
  const auto count = list ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
  for (int row = 0; row < count; ++row) rows.push_back(gui::ListViewItemText(list, row, 0));
  return rows;
}

bool SelectMenuRow(HWND frame, const std::wstring& text) {
  const std::vector<std::wstring> rows = MenuRows(frame);
  const auto row = std::find(rows.begin(), rows.end(), text);
  return row != rows.end() && gui::ClickListViewRow(MenuList(frame), static_cast<int>(row - rows.begin()));
}

void EndToEnd::SetUp() {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  ASSERT_FALSE(shared_.Path().empty());
  ASSERT_TRUE(StartEmulator());
}

void EndToEnd::TearDown() {
  utility_.reset();
  // Asked to end, the emulator withdraws its announcement; killed, it would
  // leave it behind.
  if (emulator_ && !StopEmulator()) ADD_FAILURE() << "the emulator did not end when asked";
  emulator_.reset();
  SetEnvironmentVariableW(L"VX_PORT_REGISTRY", nullptr);
  WSACleanup();
}

bool EndToEnd::StartEmulator(const std::wstring& moreArguments) {
  // Names no other process can hold: this program's id and a count of its
  // starts. A name reused too soon could still belong to the previous
  // printer letting go of its pipes.
  static int started = 0;
  ++started;
  const std::wstring pid = std::to_wstring(GetCurrentProcessId());
  std::wstring run = std::to_wstring(started % 1000);
  run.insert(0, 3 - run.size(), L'0');
  name_ = L"E2E" + pid + L"_" + run;
  monitor_ = L"VXPORT" + pid + run;
  usb_ = L"USB" + name_;
  lpt_ = L"LPT" + name_;
  emulator_ = gui::CProcess::Start(program_.File(L"VXR500Emu.exe"),
                                   L"--quiet --name " + name_ + L" --tcp 127.0.0.1:0 --monitor " + monitor_ +
                                       L" --usb " + usb_ + L" --lpt " + lpt_ + L" --state \"" + temp_.Path() + L"\\state.txt\"" +
                                       (moreArguments.empty() ? L"" : L" " + moreArguments),
                                   program_.Path());
  if (!emulator_) return false;
  // The port the system gave it, from the printer itself: a port merely
  // accepting connections could be anyone's.
  const std::string status = Control("status");
  const std::size_t tcp = status.find(" tcp ");
  if (status.rfind("OK", 0) != 0 || tcp == std::string::npos) {
    ADD_FAILURE() << "emulator status: " << status;
    return false;
  }
  port_ = static_cast<uint16_t>(std::stoi(status.substr(tcp + 5)));
  if (port_ == 0) return false;
  const bool pipes = gui::WaitUntil(
      [this] { return PipeExists(L"\\\\.\\pipe\\vx\\" + monitor_) && PipeExists(L"\\\\.\\pipe\\vxusb\\" + usb_); },
      kStartMs);
  if (!pipes) ADD_FAILURE() << "the emulator's pipes did not appear";
  WritePortRegistry();
  SetEnvironmentVariableW(L"VX_PORT_REGISTRY", PortRegistryPath().c_str());
  return pipes;
}

bool EndToEnd::StopEmulator() {
  if (!emulator_) return true;
  // A request lost on the way (seen once in forty under Wine) is asked
  // again: quitting twice is quitting.
  std::string answer;
  int asked = 0;
  while (asked < 3 && emulator_->IsRunning()) {
    ++asked;
    answer = Control("quit");
    if (answer.rfind("OK", 0) == 0) break;
    std::cout << "emulator's answer to quit: \"" << answer << "\"\n";
    Sleep(200);
  }
  const bool ended = emulator_->WaitForExit(kStartMs);
  emulator_.reset();
  // Ended without being asked is a crash, not a quit.
  return asked > 0 && ended;
}

void EndToEnd::WritePortRegistry(const std::wstring& moreLines) const {
  const std::wstring text = L"\xFEFF" L"NET\t127.0.0.1\ttcp://127.0.0.1:" + std::to_wstring(port_) +
                            L"\tVX-R200\n" L"USB\tUSB001\tpipe://vx/" + monitor_ + L"\tVX-R200\n" + moreLines;
  const std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  EXPECT_TRUE(gui::WriteFileBytes(PortRegistryPath(), bytes));
}

std::string EndToEnd::Control(const std::string& line) { return gui::AskEmulator(name_, line, kStartMs); }

bool EndToEnd::WaitForStatus(const std::string& part, DWORD timeoutMs) {
  return gui::WaitUntil([&] { return Control("status").find(part) != std::string::npos; }, timeoutMs);
}

HWND EndToEnd::StartAndWaitForSelection(const std::wstring& args) { return StartAndWaitForSelection(program_, args); }

HWND EndToEnd::StartAndWaitForSelection(const gui::CProgramFolder& program, const std::wstring& args) {
  utility_ = gui::CProcess::Start(program.File(L"VXR500UTL.exe"), args, program.Path());
  if (!utility_) return nullptr;
  return gui::WaitForWindow(
      utility_->Id(), [](const gui::WindowInfo& w) { return GetPropW(w.hwnd, kProperty) != nullptr; }, kStartMs);
}

std::wstring EndToEnd::PressOkAndReadMessage(HWND dialog) {
  gui::PressButton(dialog, IDOK);
  HWND box = gui::WaitForMessageBox(utility_->Id(), kStartMs);
  if (!box) return L"<no message>";
  const std::wstring text = gui::MessageBoxText(box);
  gui::PressButton(box, IDOK);
  // Gone before the caller looks for what comes next.
  gui::WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); }, kStartMs);
  return text;
}

HWND EndToEnd::WaitForMainWindow() {
  HWND found = nullptr;
  gui::WaitUntil(
      [&] {
        for (const auto& w : gui::TopLevelWindows(utility_->Id())) {
          if (w.className == L"VXUtilMainFrame") found = w.hwnd;
          if (gui::IsMessageBox(w.hwnd)) {
            const std::wstring text = gui::MessageBoxText(w.hwnd);
            ADD_FAILURE() << "message: " << std::string(text.begin(), text.end());
            return true;
          }
        }
        return found != nullptr;
      },
      kStartMs);
  return found;
}

std::vector<std::wstring> EndToEnd::ListColumn(HWND dialog, int column) const {
  HWND list = GetDlgItem(dialog, 1020);
  std::vector<std::wstring> texts;
  const auto rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row) texts.push_back(gui::ListViewItemText(list, row, column));
  return texts;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

void CAnswerProbe::Loop(DWORD processId) {
  while (!stop_) {
    for (const auto& w : gui::TopLevelWindows(processId)) {
      const ULONGLONG asked = GetTickCount64();
      DWORD_PTR result = 0;
      if (!SendMessageTimeoutW(w.hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) && IsWindow(w.hwnd) &&
          GetLastError() != ERROR_INVALID_WINDOW_HANDLE) {
        longest_ = std::max<DWORD>(longest_, 10000);
      }
      if (IsWindow(w.hwnd)) longest_ = std::max(longest_.load(), static_cast<DWORD>(GetTickCount64() - asked));
    }
    Sleep(20);
  }
}

}  // namespace e2e
