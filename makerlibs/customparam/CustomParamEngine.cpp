// "CustomParamEngine.dll": reads and writes the printer's customized values,
// exported by ordinal only. Customized values are heard only in user-setting
// mode, and leaving that mode restarts the printer, so every get and every
// set is one enter-work-leave run; the caller waits for the restart.

#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "makerlibs/common/CommChannel.h"
#include "makerlibs/common/HandleTable.h"
#include "makerlibs/include/CustomParamEngineApi.h"

namespace {

constexpr uint32_t kTimeoutMs = 2000;
constexpr uint8_t kForwardValue = 116;
constexpr uint8_t kBackwardValue = 117;
constexpr uint16_t kForwardMax = 4241;
constexpr uint16_t kBackwardMax = 262;

struct Engine {
  explicit Engine(IVXComm* c) : channel(c) {}
  // One exchange with the printer at a time. A flag, not a lock: progress is
  // reported while an exchange runs, and a callback that calls back into the
  // engine (or a window thread that the callback waits for) must get an
  // answer, not a deadlock.
  std::atomic<bool> busy{false};
  CCommChannel channel;
  // The progress callback has a lock of its own, taken only to copy it, so
  // that a callback may set or clear it (ordinals 4 and 5).
  std::mutex callbackLock;
  CustomParamProgress callback = nullptr;
  void* context = nullptr;
};

// Holds the engine's exchange for its life; Held() is false when another
// exchange runs.
class CExchange {
public:
  explicit CExchange(Engine& e) : e_(e), held_(!e.busy.exchange(true)) {}
  ~CExchange() {
    if (held_) e_.busy = false;
  }
  CExchange(const CExchange&) = delete;
  CExchange& operator=(const CExchange&) = delete;
  bool Held() const { return held_; }

private:
  Engine& e_;
  bool held_;
};

CHandleTable<Engine>& Engines() {
  static CHandleTable<Engine> table;
  return table;
}

void Report(Engine& e, int32_t percent) {
  CustomParamProgress callback = nullptr;
  void* context = nullptr;
  {
    std::scoped_lock guard(e.callbackLock);
    callback = e.callback;
    context = e.context;
  }
  if (callback) callback(percent, context);
}

// One set: enter user-setting mode, send, leave. The settings take effect
// when the mode is left, and the printer restarts then.
template <class Send>
int32_t SetInUserSetting(Engine& e, Send send) {
  CExchange exchange(e);
  if (!exchange.Held()) return kCpeBusy;
  vxproto::CPrinterTalk talk(e.channel, kTimeoutMs);
  Report(e, 0);
  vxproto::CUserSettingMode mode(talk);
  if (!mode.Entered()) {
    (void)mode.Leave();
    Report(e, 100);
    return kCpeNoAnswer;
  }
  Report(e, 30);
  const bool set = send(talk);
  Report(e, 60);
  const bool left = mode.Leave();
  Report(e, 100);
  return set && left ? kCpeOk : kCpeNoAnswer;
}

// Memory switches are read outside user-setting mode: no restart follows.
int32_t GetSwitches(Engine& e, CustomParamRecord& record) {
  CExchange exchange(e);
  if (!exchange.Held()) return kCpeBusy;
  vxproto::CPrinterTalk talk(e.channel, kTimeoutMs);
  CustomParamRecord read = {};
  read.selector = kMemorySwitchSelector;
  for (std::size_t n = 1; n <= kRecordSwitches; ++n) {
    Report(e, static_cast<int32_t>(100 * (n - 1) / kRecordSwitches));
    const auto bits = talk.ReadMemorySwitch(static_cast<uint8_t>(n));
    if (!bits) {
      Report(e, 100);
      return kCpeNoAnswer;
    }
    for (std::size_t k = 0; k < 8; ++k) read.reserved[8 * (n - 1) + k] = (*bits >> (7 - k)) & 1 ? '1' : '0';
  }
  Report(e, 100);
  record = read;
  return kCpeOk;
}

int32_t SetSwitches(Engine& e, const CustomParamRecord& record) {
  std::vector<std::pair<uint8_t, vxproto::SwitchCharacters>> switches;
  for (std::size_t n = 1; n <= kRecordSwitches; ++n) {
    vxproto::SwitchCharacters characters{};
    bool changes = false;
    for (std::size_t k = 0; k < 8; ++k) {
      const uint8_t c = record.reserved[8 * (n - 1) + k];
      if (c != 0 && c != '0' && c != '1' && c != '2') return kCpeOutOfRange;
      characters[k] = c == 0 ? '2' : c;
      changes = changes || (c == '0' || c == '1');
    }
    if (changes) switches.emplace_back(static_cast<uint8_t>(n), characters);
  }
  if (switches.empty()) return kCpeBadArgument;
  return SetInUserSetting(e, [&](vxproto::CPrinterTalk& talk) { return talk.SetMemorySwitches(switches); });
}

std::vector<std::pair<uint8_t, uint16_t>> ValuesOf(const CustomParamRecord& record) {
  std::vector<std::pair<uint8_t, uint16_t>> values;
  const std::size_t count = record.reserved[0];
  for (std::size_t i = 0; i < count && i < kRecordValues; ++i) {
    const uint8_t* v = record.reserved + 1 + 3 * i;
    values.emplace_back(v[0], static_cast<uint16_t>(v[1] | v[2] << 8));
  }
  return values;
}

int32_t GetValues(Engine& e, CustomParamRecord& record) {
  const auto wanted = ValuesOf(record);
  if (wanted.empty() || record.reserved[0] > kRecordValues) return kCpeBadArgument;
  CExchange exchange(e);
  if (!exchange.Held()) return kCpeBusy;
  vxproto::CPrinterTalk talk(e.channel, kTimeoutMs);
  Report(e, 0);
  vxproto::CUserSettingMode mode(talk);
  CustomParamRecord read = {};
  read.selector = kCustomValueSelector;
  read.reserved[0] = static_cast<uint8_t>(wanted.size());
  bool all = mode.Entered();
  for (std::size_t i = 0; i < wanted.size() && all; ++i) {
    const auto value = talk.ReadCustomizedValue(wanted[i].first);
    all = value.has_value();
    uint8_t* v = read.reserved + 1 + 3 * i;
    v[0] = wanted[i].first;
    v[1] = static_cast<uint8_t>(value.value_or(0) & 0xFF);
    v[2] = static_cast<uint8_t>(value.value_or(0) >> 8);
    Report(e, static_cast<int32_t>(10 + 80 * (i + 1) / wanted.size()));
  }
  const bool left = mode.Leave();
  Report(e, 100);
  if (!all || !left) return kCpeNoAnswer;
  record = read;
  return kCpeOk;
}

int32_t SetValues(Engine& e, const CustomParamRecord& record) {
  const auto values = ValuesOf(record);
  if (values.empty() || record.reserved[0] > kRecordValues) return kCpeBadArgument;
  return SetInUserSetting(e, [&](vxproto::CPrinterTalk& talk) { return talk.SetCustomizedValues(values); });
}

}  // namespace

extern "C" {

int32_t __cdecl CPE_Open(IVXComm* comm) {
  // Without a communication object (the utility writing a setting file) the
  // engine opens all the same; every query then fails as unanswered.
  try {
    return Engines().Add(std::make_shared<Engine>(comm));
  } catch (...) {
    return 0;
  }
}

int32_t __cdecl CPE_Close(int32_t* handle) {
  if (!handle) return kCpeBadArgument;
  const bool known = Engines().Remove(*handle);
  *handle = 0;
  return known ? kCpeOk : kCpeBadHandle;
}

int32_t __cdecl CPE_SetCallback(int32_t handle, CustomParamProgress callback, void* context) {
  auto e = Engines().Find(handle);
  if (!e) return kCpeBadHandle;
  std::scoped_lock guard(e->callbackLock);
  e->callback = callback;
  e->context = context;
  return kCpeOk;
}

int32_t __cdecl CPE_ClearCallback(int32_t handle) {
  auto e = Engines().Find(handle);
  if (!e) return kCpeBadHandle;
  std::scoped_lock guard(e->callbackLock);
  e->callback = nullptr;
  e->context = nullptr;
  return kCpeOk;
}

int32_t __cdecl CPE_Get(int32_t handle, CustomParamRecord* record) {
  try {
    auto e = Engines().Find(handle);
    if (!e) return kCpeBadHandle;
    if (!record) return kCpeBadArgument;
    if (record->selector == kMemorySwitchSelector) return GetSwitches(*e, *record);
    if (record->selector == kCustomValueSelector) return GetValues(*e, *record);
    if (record->selector != kCutPositionSelector) return kCpeUnknownSelector;
    CExchange exchange(*e);
    if (!exchange.Held()) return kCpeBusy;
    vxproto::CPrinterTalk talk(e->channel, kTimeoutMs);
    Report(*e, 0);
    vxproto::CUserSettingMode mode(talk);
    Report(*e, 25);
    auto forward = mode.Entered() ? talk.ReadCustomizedValue(kForwardValue) : std::nullopt;
    Report(*e, 50);
    auto backward = forward ? talk.ReadCustomizedValue(kBackwardValue) : std::nullopt;
    Report(*e, 75);
    const bool left = mode.Leave();
    Report(*e, 100);
    if (!forward || !backward || !left) return kCpeNoAnswer;
    const uint32_t selector = record->selector;
    std::memset(record, 0, sizeof(*record));
    record->selector = selector;
    record->forward = *forward;
    record->backward = *backward;
    return kCpeOk;
  } catch (...) {
    return kCpeNoAnswer;
  }
}

int32_t __cdecl CPE_Set(int32_t handle, const CustomParamRecord* record) {
  try {
    auto e = Engines().Find(handle);
    if (!e) return kCpeBadHandle;
    if (!record) return kCpeBadArgument;
    if (record->selector == kMemorySwitchSelector) return SetSwitches(*e, *record);
    if (record->selector == kCustomValueSelector) return SetValues(*e, *record);
    if (record->selector != kCutPositionSelector) return kCpeUnknownSelector;
    if (record->forward > kForwardMax || record->backward > kBackwardMax) return kCpeOutOfRange;
    return SetInUserSetting(*e, [&](vxproto::CPrinterTalk& talk) {
      return talk.SetCustomizedValues({{kForwardValue, record->forward}, {kBackwardValue, record->backward}});
    });
  } catch (...) {
    return kCpeNoAnswer;
  }
}

}  // extern "C"
