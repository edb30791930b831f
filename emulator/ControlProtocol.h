#pragma once
// The emulator's control line protocol: one request per line, one reply line
// ("OK ..." or "ERR ..."). The in-process API takes the same requests, so a
// test in another process and a test in this one drive the same code.

#include <cstdint>
#include <optional>
#include <string>

#include "emulator/PrinterEngine.h"

namespace emu {

enum class ControlOp {
  Condition,    // condition <name> on|off
  NoAnswer,     // noanswer on|off: hears everything, answers nothing
  Latency,      // latency <ms>: every answer waits this long
  RestartTime,  // restarttime <ms>
  Identity,     // identity served|sister|foreign|mute
  Silent,       // silent <hex bytes>|off: no answer to commands that begin so
  Item,         // item <n> <text>|off: an information item apart from the identity
  Misreport,    // misreport on|off: customized values read back one more than in force
  Drop,         // drop: the connection ends now
  DropMidReply, // dropmidreply: the next answer is cut in half, then the connection ends
  Restart,      // restart: the printer restarts now, as after leaving user-setting mode
  Received,     // received: hex of every byte heard since the last clear
  Clear,        // clear: forget what was heard
  Status,       // status: one line describing the printer
  Customized,   // cv <n> [<value>]: a customized value in force; with a value, put it in force
  MemorySwitch, // msw <n>: a memory switch in force, bit 8 first
  UserSetting,  // usersetting: in or out of user-setting mode, and the enter commands heard since clear
  Quit,         // quit: the emulator program ends
};

struct ControlRequest {
  ControlOp op;
  std::string name;   // condition name; an item's text
  Bytes bytes;        // the silent command's first bytes
  bool on = false;
  uint32_t number = 0;
  uint32_t value = 0;
  Identity identity = Identity::Served;
};

// Nothing when the line is not a request; *error says why.
std::optional<ControlRequest> ParseControlLine(const std::string& line, std::string* error = nullptr);
// Sets the named condition; false for an unknown name.
bool ApplyCondition(Conditions& conditions, const std::string& name, bool on);

constexpr uint32_t kMaxDelayMs = 600000;
constexpr std::size_t kMaxControlLine = 256;

}  // namespace emu
