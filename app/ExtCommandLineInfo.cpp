#include "app/ExtCommandLineInfo.h"

#include <cwchar>
#include <string_view>

namespace {

template <std::size_t N>
void SetArg(wchar_t (&field)[N], std::wstring_view value, std::size_t maxChars) {
  if (value.size() > maxChars) value = {};
  value.copy(field, value.size());
  field[value.size()] = L'\0';
}

StartMode ParseStartMode(std::wstring_view value) {
  if (value == L"VTD5_LOGO") return StartMode::Vtd5Logo;
  if (value == L"VTD5") return StartMode::Vtd5;
  if (value.empty()) return StartMode::Normal;
  switch (value[0]) {
    case L'L': return StartMode::Logo;
    case L'S': return StartMode::PrinterControl;
    case L'R': return StartMode::Remote;
    case L'F': return StartMode::SaveFile;
    case L'C': return StartMode::Coupon;
    default: return StartMode::Normal;
  }
}

CallerKind ParseCallerKind(std::wstring_view value) {
  if (value == L"VTD") return CallerKind::Vtd;
  if (value == L"OPOS") return CallerKind::Opos;
  if (value == L"SimpleViewer") return CallerKind::SimpleViewer;
  if (value == L"AutoRestore") return CallerKind::AutoRestore;
  return CallerKind::None;
}

}  // namespace

void CExtCommandLineInfo::ParseParam(const wchar_t* param, bool flag, bool /*last*/) {
  if (!flag || !param || !*param) return;
  const std::wstring_view arg(param);
  const std::wstring_view value = arg.substr(1);
  switch (arg[0]) {
    case L'm': {
      const StartMode mode = ParseStartMode(value);
      startMode = static_cast<int32_t>(mode);
      if (mode == StartMode::SaveFile) SetArg(fileArg, value.substr(1), kMaxFileChars);
      break;
    }
    case L'p': SetArg(portArg, value, kMaxArgChars); break;
    case L'q': SetArg(queueArg, value, kMaxArgChars); break;
    case L'r': SetArg(remoteArg, value, kMaxArgChars); break;
    case L'd': callerKind = static_cast<int32_t>(ParseCallerKind(value)); break;
    case L'b':
      if (!value.empty() && value[0] == L'M') multiInstance = true;
      break;
    default: break;
  }
}
