#include "win/App.h"

#include <shellapi.h>

int CWinAppBase::Run() {
  if (InitInstance()) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (PreTranslateMessage(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return ExitInstance();
}

std::vector<std::wstring> CommandLineArguments() {
  std::vector<std::wstring> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}
