#include "makerlibs/vxcomm/PortStore.h"

#include <windows.h>
#include <shlobj.h>

#include <cwctype>

#include "makerlibs/common/Discovery.h"
#include "win/Handles.h"

using namespace vxproto;

namespace {

constexpr DWORD kMaxFileBytes = 1 << 20;

constexpr DWORD kLockWaitMs = 5000;

class CRegistryMutex {
public:
  CRegistryMutex() : h_(CreateMutexW(nullptr, FALSE, L"Local\\VXCommPortRegistry")) {
    if (!h_) return;
    const DWORD waited = WaitForSingleObject(h_.get(), kLockWaitMs);
    // An abandoned lock is ours: its holder ended in the middle, but every
    // file is replaced whole, so the list on disk is one it left or the one
    // before. A lock that stays held is not taken from its holder.
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~CRegistryMutex() {
    if (owned_) ReleaseMutex(h_.get());
  }
  CRegistryMutex(const CRegistryMutex&) = delete;
  CRegistryMutex& operator=(const CRegistryMutex&) = delete;
  bool Owned() const { return owned_; }

private:
  CHandle h_;
  bool owned_ = false;
};

std::wstring BackupPath(const std::wstring& path) { return path + L".bak"; }

// The stored list: the file, else its copy from before the last change,
// else (no file at all) the ports of a fresh machine.
VXCRESULT ReadStoredPorts(const std::wstring& path, std::vector<PortRecord>& ports) {
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    ports = DefaultPorts();
    return kVxcOk;
  }
  if (ReadPortFile(path, ports)) return kVxcOk;
  return ReadPortFile(BackupPath(path), ports) ? kVxcRecovered : kVxcBadFile;
}

std::wstring RegText(HKEY key, const wchar_t* name) {
  wchar_t buffer[512] = {};
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return L"";
  }
  return buffer;
}

std::wstring Upper(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

}  // namespace

std::wstring PortRegistryPath() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(L"VX_PORT_REGISTRY", buffer, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return buffer;
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, buffer))) return L"";
  return std::wstring(buffer) + L"\\ORVIK\\VXComm\\Ports.txt";
}

bool ReadPortFile(const std::wstring& path, std::vector<PortRecord>& ports) {
  CFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxFileBytes || size.QuadPart < 2) return false;
  std::wstring text(static_cast<std::size_t>(size.QuadPart) / 2, L'\0');
  DWORD got = 0;
  if (!ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size() * 2), &got, nullptr) ||
      got != text.size() * 2 || text[0] != 0xFEFF) {
    return false;
  }
  ports = ParsePortRegistry(text.substr(1));
  return true;
}

bool WritePortFile(const std::wstring& path, const std::vector<PortRecord>& ports) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos) SHCreateDirectoryExW(nullptr, path.substr(0, slash).c_str(), nullptr);
  const std::wstring temp = path + L".tmp";
  const std::wstring text = L"\xFEFF" + FormatPortRegistry(ports);
  {
    CFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    DWORD written = 0;
    // On disk before the rename: a power cut after it must not leave an empty list.
    const bool whole = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size() * 2), &written, nullptr) &&
                       written == text.size() * 2 && FlushFileBuffers(file.get());
    if (!whole || !CloseHandle(file.release())) {
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

VXCRESULT LoadPorts(std::vector<PortRecord>& ports) {
  const std::wstring path = PortRegistryPath();
  if (path.empty()) return kVxcBadFile;
  CRegistryMutex guard;
  if (!guard.Owned()) return kVxcListBusy;
  return ReadStoredPorts(path, ports);
}

VXCRESULT UpdatePorts(const std::function<bool(std::vector<PortRecord>&)>& change) {
  const std::wstring path = PortRegistryPath();
  if (path.empty()) return kVxcOpenFailed;
  CRegistryMutex guard;
  if (!guard.Owned()) return kVxcListBusy;
  std::vector<PortRecord> ports;
  const VXCRESULT read = ReadStoredPorts(path, ports);
  if (!VxcSucceeded(read)) return read;
  const std::vector<PortRecord> before = ports;
  if (!change(ports)) return read;
  // The copy is of a list that was read whole, never of a damaged file.
  if (!WritePortFile(BackupPath(path), before) || !WritePortFile(path, ports)) return kVxcOpenFailed;
  return read;
}

namespace {

// An announcement names the process that made it; one whose process has
// ended (an emulator that was killed) announces nothing.
bool AnnouncerRuns(HKEY announcement) {
  DWORD process = 0, bytes = sizeof(process), type = 0;
  if (RegQueryValueExW(announcement, L"Process", nullptr, &type, reinterpret_cast<BYTE*>(&process), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_DWORD) {
    return true;  // an announcement without one is taken at its word
  }
  HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
  if (!h) return false;
  DWORD code = 0;
  bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
  // The id may have gone to a later process: its start time tells.
  uint64_t started = 0;
  bytes = sizeof(started);
  FILETIME created{}, exited{}, kernel{}, user{};
  if (running &&
      RegQueryValueExW(announcement, L"Started", nullptr, &type, reinterpret_cast<BYTE*>(&started), &bytes) ==
          ERROR_SUCCESS &&
      type == REG_QWORD && GetProcessTimes(h, &created, &exited, &kernel, &user)) {
    running = ((uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime) == started;
  }
  CloseHandle(h);
  return running;
}

}  // namespace

std::wstring AnnouncedPath(const std::wstring& kind, const std::wstring& portName) {
  if (portName.empty() || (_wcsicmp(kind.c_str(), L"NET") != 0 && _wcsicmp(kind.c_str(), L"LPT") != 0)) return {};
  for (const PortRecord& found : FindDevicePorts(kind)) {
    if (_wcsicmp(found.portName.c_str(), portName.c_str()) == 0) return found.portPath;
  }
  return {};
}

std::vector<PortRecord> FindDevicePorts(const std::wstring& kindText) {
  const std::wstring kind = Upper(kindText);
  std::vector<PortRecord> found;
  const bool serial = kind == L"COM" || kind == L"SERIAL";
  if (serial) {
    CRegKey comm;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, comm.put()) ==
        ERROR_SUCCESS) {
      for (DWORD i = 0; found.size() < kMaxPorts; ++i) {
        wchar_t name[256];
        wchar_t value[64] = {};
        DWORD nameChars = 256, bytes = sizeof(value) - sizeof(wchar_t), type = 0;
        if (RegEnumValueW(comm.get(), i, name, &nameChars, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) !=
            ERROR_SUCCESS) {
          break;
        }
        if (type == REG_SZ && value[0]) found.push_back({L"COM", value, L"", L""});
      }
    }
  }
  CRegKey root;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kEmulatorDiscoveryKey, 0, KEY_READ, root.put()) != ERROR_SUCCESS) return found;
  for (DWORD i = 0; found.size() < kMaxPorts; ++i) {
    wchar_t name[256];
    DWORD chars = 256;
    if (RegEnumKeyExW(root.get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    CRegKey emulator;
    if (RegOpenKeyExW(root.get(), name, 0, KEY_READ, emulator.put()) != ERROR_SUCCESS) continue;
    if (!AnnouncerRuns(emulator.get())) continue;
    if (kind == L"USB") {
      const std::wstring usb = RegText(emulator.get(), L"USB");
      if (!usb.empty()) found.push_back({L"USB", usb, L"usb://" + usb, L""});
    } else if (kind == L"LPT") {
      const std::wstring lpt = RegText(emulator.get(), L"LPT");
      if (!lpt.empty()) found.push_back({L"LPT", lpt, L"lpt://" + lpt, L""});
    } else if (kind == L"NET") {
      const std::wstring net = RegText(emulator.get(), L"NET");
      const std::size_t colon = net.rfind(L':');
      if (colon != std::wstring::npos) found.push_back({L"NET", net.substr(0, colon), L"tcp://" + net, L""});
    } else if (serial || kind == L"BT") {
      // "SERIAL" is every serial line: the wired ones and those of Bluetooth.
      for (const wchar_t* value : {L"COM", L"BT"}) {
        const bool bluetooth = value[0] == L'B';
        if ((kind == L"COM" && bluetooth) || (kind == L"BT" && !bluetooth)) continue;
        const std::wstring com = RegText(emulator.get(), value);
        bool known = false;
        for (const auto& f : found) known = known || _wcsicmp(f.portName.c_str(), com.c_str()) == 0;
        if (!com.empty() && !known) found.push_back({value, com, L"", L""});
      }
    }
  }
  return found;
}
