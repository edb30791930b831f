// A stand-in for the maker's tools that port setup starts, for the tests
// only (never in the program folder). Which tool it plays comes from its
// file name; each shows a window titled "VX stand-in <file name>" and stays
// until that window is closed.
//   NetConfigurator.exe       the network configuration tool
//   ComAssign.exe             the COM port assignment tool
//   VXBluetoothConnector.exe  the Bluetooth connector: first writes
//                             [Setting] VirtualComPort = %VX_STANDIN_BT_PORT%
//                             into its settings file under the all-users
//                             application data

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace {

std::wstring OwnFileName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring full = path;
  return full.substr(full.find_last_of(L"\\/") + 1);
}

void WriteConnectorSetting() {
  wchar_t port[64] = {};
  if (GetEnvironmentVariableW(L"VX_STANDIN_BT_PORT", port, 64) == 0) return;
  wchar_t data[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, data))) return;
  std::wstring folder = std::wstring(data) + L"\\ORVIK";
  CreateDirectoryW(folder.c_str(), nullptr);
  folder += L"\\VXBTConnector";
  CreateDirectoryW(folder.c_str(), nullptr);
  WritePrivateProfileStringW(L"Setting", L"VirtualComPort", port, (folder + L"\\VXBTSetting.ini").c_str());
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const std::wstring name = OwnFileName();
  if (_wcsicmp(name.c_str(), L"VXBluetoothConnector.exe") == 0) WriteConnectorSetting();
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.lpszClassName = L"VXStandInTool";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&wc);
  const std::wstring title = L"VX stand-in " + name;
  HWND w = CreateWindowW(wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 120, nullptr,
                         nullptr, instance, nullptr);
  if (!w) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
