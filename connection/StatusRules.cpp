#include "connection/StatusRules.h"

#include "connection/PrinterEntryRules.h"

namespace {

struct StatusText {
  int32_t stringNumber;
  const wchar_t* text;
};

constexpr StatusText kStatusTexts[] = {
    {0, L"Online"},
    {1, L"Offline"},
    {2, L"Cannot Get Status"},
    {3, L"Fatal Error"},
    {4, L"Recoverable error"},
    {5, L"Auto recoverable error"},
    {6, L"Cover is open"},
    {7, L"Out of paper"},
    {8, L"Out of journal"},
    {9, L"Auto cutter error"},
    {10, L"No Ink Cartridge 1"},
    {11, L"No Ink Cartridge 2"},
    {12, L"Out of ink 1"},
    {13, L"Out of ink 2"},
    {14, L"Feeding paper"},
    {27, L"Cleaning"},
    {15, L"Offline"},
    {16, L"Awaiting paper removal"},
    {17, L"Paper near-end"},
    {18, L"Journal near-end"},
    {19, L"Ink 1 near-end"},
    {20, L"Ink 2 near-end"},
    {29, L"Paper layout error"},
};
constexpr StatusText kUnknown = {21, L"Unknown"};

bool InRange(int32_t index) { return index >= 0 && index < static_cast<int32_t>(std::size(kStatusTexts)); }

}  // namespace

bool IsConsumableCondition(int32_t code) {
  switch (code) {
    case 10: case 11: case 12: case 13: case 15: case 20: case 21: return true;
    default: return false;
  }
}

int32_t StatusStringNumber(int32_t index) {
  return InRange(index) ? kStatusTexts[index].stringNumber : kUnknown.stringNumber;
}

const wchar_t* DefaultStatusText(int32_t index) { return InRange(index) ? kStatusTexts[index].text : kUnknown.text; }

StatusOutcome ApplyStatusReport(StatusState& state, int32_t code) {
  StatusOutcome out;
  if (!state.updatesEnabled || code == state.lastPrimary) {
    out.ignored = true;
    out.index = state.shownIndex;
    return out;
  }
  int32_t c = code;
  if (IsConsumableCondition(c) || c == kConsumableNone) {
    state.consumable = c;
    if (c == kConsumableNone) c = state.lastPrimary;
  } else {
    state.lastPrimary = c;
    // A consumable condition outranks "Online" and every condition numbered after it.
    if (state.consumable != kConsumableNone && (c == kStatusOnline || c >= state.consumable)) c = state.consumable;
  }
  if (!InRange(c)) c = kStatusUnknown;
  const bool usable = c == kStatusOnline || (c >= 18 && c <= 21);
  // The run's restart shows as a printer that cannot be reached.
  const bool restart = state.runRestart && (c == kStatusNoAnswer || state.restartSeen);
  if (c == kStatusUnknown || c == 1 || c == 16) state.needsRefresh = true;
  state.runRestart = restart && !usable;
  state.restartSeen = state.runRestart;
  out.previousIndex = state.shownIndex;
  state.shownIndex = c;
  out.index = c;
  out.wantsRefresh = state.needsRefresh && usable;
  out.guidance = c == 3 || c == 9;
  return out;
}

std::wstring PortLineValue(const PortLineInput& in) {
  std::wstring value;
  switch (in.interfaceKind) {
    case 3:
      value = L"USB-" + std::wstring(in.portName);
      break;
    case 6:
      if (in.remoteMode) {
        // "printer@host" of a path such as tcp://host/printer.
        const std::wstring_view path = in.portPath;
        std::wstring_view host;
        if (const auto start = path.find(L"//"); start != std::wstring_view::npos) {
          host = path.substr(start + 2);
          host = host.substr(0, host.find(L'/'));
        }
        value = std::wstring(PortPathTail(path));
        // A bare address has no host part to add.
        if (!host.empty()) value += L"@" + std::wstring(host);
      } else {
        value = in.unknownText;
      }
      break;
    case 1: case 2: case 4: case 5:
      value = in.portName;
      break;
    default:
      value = in.fileMode ? std::wstring() : std::wstring(in.portName);
      break;
  }
  // The part of the port's address after its last '/': a network printer's
  // TCP port ("127.0.0.1 (127.0.0.1:9100)"), a port-monitor port's name,
  // with the retail-device name that port has.
  const std::wstring_view path = in.portPath;
  if (path.find(L'/') != std::wstring_view::npos) {
    std::wstring inner(PortPathTail(path));
    if (!in.registryName.empty()) inner += L"/" + std::wstring(in.registryName);
    value += L" (" + inner + L")";
  }
  return value;
}

ErrorGuidanceLayout ComputeErrorGuidanceLayout(int32_t status, int dialogWidth, int textHeight, int buttonHeight,
                                               int pictureWidth, int pictureHeight, int dpi) {
  // The same margin on each side as the dialog measures the text with.
  const int margin = ErrorGuidanceMargin(dpi), twice = 2 * margin;
  ErrorGuidanceLayout l;
  l.textX = margin;
  l.textY = margin;
  l.width = dialogWidth;
  l.height = buttonHeight + textHeight + ScaleToDpi(60, dpi);
  l.okY = textHeight + twice;
  if (status == 9) {
    if (pictureWidth >= l.width + twice) l.width = pictureWidth + twice;
    l.height += pictureHeight + margin;
    l.picture = true;
    l.pictureX = l.width / 2 - pictureWidth / 2;
    l.pictureY = textHeight + twice;
    l.okY += pictureHeight + margin;
  }
  l.textWidth = l.width - twice;
  l.textHeight = textHeight;
  return l;
}
