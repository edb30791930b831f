#pragma once
// The status pane's rules: which status a report shows, with the precedence
// of consumable conditions, and the texts of its three lines. Includes no
// <windows.h>.

#include <cstdint>
#include <string>
#include <string_view>

#include "win/DpiScale.h"

constexpr int32_t kStatusOnline = 0;
constexpr int32_t kStatusNoAnswer = 2;  // "Cannot Get Status": also a printer restarting
constexpr int32_t kStatusUnknown = -1;
constexpr int32_t kConsumableNone = 100;

// Reports 10, 11, 12, 13, 15, 20 and 21: ink and journal conditions that
// stay in force until the report 100 ends them.
bool IsConsumableCondition(int32_t code);
// The number of the "PRT_STATUS" window string of a status index (-1 and any
// other out-of-range index: 21, "Unknown"), and its English default.
int32_t StatusStringNumber(int32_t index);
const wchar_t* DefaultStatusText(int32_t index);

// What the pane keeps between reports.
struct StatusState {
  int32_t shownIndex = -1;
  int32_t lastPrimary = -1;
  int32_t consumable = kConsumableNone;
  bool updatesEnabled = true;
  bool needsRefresh = true;
  // A printer run just ended: the printer may be restarting (leaving
  // user-setting mode restarts it). Once it shows as "Cannot Get Status",
  // what it reports until it is usable again is that restart, which a run
  // asked for meanwhile waits out.
  bool runRestart = false;
  bool restartSeen = false;  // since then the printer could not be reached
};

// How long after a printer run a printer that cannot be reached counts as
// restarting: the restart wait's own limit (first wait and retries).
constexpr uint64_t kRunRestartLimitMs = 2000 + 10 * 2000;

struct StatusOutcome {
  bool ignored = false;      // nothing changes
  int32_t index = -1;        // the status index to show
  int32_t previousIndex = -1;  // shown before, restored when a refresh finds another printer
  bool wantsRefresh = false;   // a usable status while the information must be read again
  bool guidance = false;       // fatal or auto-cutter error: the error guidance dialog
};

// Applies one report to the state: the precedence rules, the index shown,
// whether the printer's information must be read again.
StatusOutcome ApplyStatusReport(StatusState& state, int32_t code);

// The port line's value for a printer entry.
struct PortLineInput {
  int32_t interfaceKind = 0;
  bool remoteMode = false;
  bool fileMode = false;
  std::wstring_view portName;
  std::wstring_view portPath;
  std::wstring_view unknownText;  // "Unknown"
  std::wstring_view registryName;  // the retail-device name of the path's last part, if it names one
};
std::wstring PortLineValue(const PortLineInput& in);

// The error guidance dialog's layout in pixels, from the dialog's width, the
// guidance text's height, the OK button's height and the picture's size; the
// picture takes room for the auto-cutter error (9) only. The margins are
// given at 96 dots per inch and scaled to dpi.
struct ErrorGuidanceLayout {
  int width = 0, height = 0;
  int textX = 12, textY = 12, textWidth = 0, textHeight = 0;
  int okY = 0;
  bool picture = false;
  int pictureX = 0, pictureY = 0;
};
ErrorGuidanceLayout ComputeErrorGuidanceLayout(int32_t status, int dialogWidth, int textHeight, int buttonHeight,
                                               int pictureWidth, int pictureHeight, int dpi = kStandardDpi);
// The guidance text's margin on each side, at dpi.
inline int ErrorGuidanceMargin(int dpi = kStandardDpi) { return ScaleToDpi(12, dpi); }
