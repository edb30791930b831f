#pragma once
// The utility's switches: /m start mode, /p port, /q queue, /r remote address,
// /d caller kind, /b multi-instance. Includes no <windows.h>.

#include <cstdint>

#include "framework/SharedTypes.h"
#include "win/CommandLineInfo.h"

class CExtCommandLineInfo : public CCommandLineInfo {
public:
  // Longest value each text takes. A longer value is dropped whole (the text
  // is left empty) rather than cut: a cut port name or file path would name a
  // different port or file than the caller meant.
  static constexpr int kMaxArgChars = 259;
  static constexpr int kMaxFileChars = 258;

  int32_t startMode = 0;
  wchar_t portArg[kTextUnits] = {};
  wchar_t queueArg[kTextUnits] = {};
  wchar_t remoteArg[kTextUnits] = {};
  wchar_t fileArg[kTextUnits] = {};
  int32_t callerKind = 0;
  bool multiInstance = false;

  void ParseParam(const wchar_t* param, bool flag, bool last) override;
};
