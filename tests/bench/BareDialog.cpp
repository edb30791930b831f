// The second yardstick of the start-up benchmark: the utility's own printer
// selection dialog, taken from the utility's resources and shown by a program
// that does nothing else. It asks for the common controls as the utility
// does (the same manifest and classes) but reads no files, loads no printer
// library and sets no texts: what the utility takes beyond it is its own
// start-up work, what it takes beyond the bare window is the dialog's.
// The command line names the utility's program file, in quotes.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/resource.h"

namespace {

constexpr wchar_t kProperty[] = L"VX_BENCH_BARE";

INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wp, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetPropW(hwnd, kProperty, reinterpret_cast<HANDLE>(1));
    return TRUE;
  }
  if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wp) == IDCANCEL)) {
    RemovePropW(hwnd, kProperty);
    EndDialog(hwnd, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_ANIMATE_CLASS |
                                               ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&icc);
  std::wstring path = commandLine;
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
  HMODULE utility = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!utility) return 1;
  const INT_PTR shown = DialogBoxParamW(utility, MAKEINTRESOURCEW(IDD_PRT_SELECT_DLG), nullptr, Proc, 0);
  FreeLibrary(utility);
  return shown == -1 ? 1 : 0;
}
