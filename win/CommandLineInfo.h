#pragma once
// The command-line walk every program of ours shares: one call per argument
// after the program name, in order. Includes no <windows.h>.

#include <string>
#include <vector>

class CCommandLineInfo {
public:
  virtual ~CCommandLineInfo() = default;

  // param: the argument without its leading '/' or '-' when flag is true.
  virtual void ParseParam(const wchar_t* param, bool flag, bool last) = 0;

  // args: the arguments after the program name.
  void ParseArguments(const std::vector<std::wstring>& args);
};
