// "CustomParamEngine.dll": reads and writes the printer's customized values,
// exported by ordinal only. Customized values are heard only in user-setting
// mode, and leaving that mode restarts the printer, so every get and every
// set is one enter-work-leave run; the caller waits for the restart.

#include <windows.h>

#include <cstring>
#include <mutex>

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
  std::mutex lock;
  CCommChannel channel;
  CustomParamProgress callback = nullptr;
  void* context = nullptr;
};

CHandleTable<Engine>& Engines() {
  static CHandleTable<Engine> table;
  return table;
}

void Report(Engine& e, int32_t percent) {
  if (e.callback) e.callback(percent, e.context);
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
  std::scoped_lock guard(e->lock);
  e->callback = callback;
  e->context = context;
  return kCpeOk;
}

int32_t __cdecl CPE_ClearCallback(int32_t handle) {
  auto e = Engines().Find(handle);
  if (!e) return kCpeBadHandle;
  std::scoped_lock guard(e->lock);
  e->callback = nullptr;
  e->context = nullptr;
  return kCpeOk;
}

int32_t __cdecl CPE_Get(int32_t handle, CustomParamRecord* record) {
  try {
    auto e = Engines().Find(handle);
    if (!e) return kCpeBadHandle;
    if (!record) return kCpeBadArgument;
    if (record->selector != kCutPositionSelector) return kCpeUnknownSelector;
    std::scoped_lock guard(e->lock);
    vxproto::CPrinterTalk talk(e->channel, kTimeoutMs);
    Report(*e, 0);
    if (!talk.EnterUserSetting()) return kCpeNoAnswer;
    Report(*e, 25);
    auto forward = talk.ReadCustomizedValue(kForwardValue);
    Report(*e, 50);
    auto backward = forward ? talk.ReadCustomizedValue(kBackwardValue) : std::nullopt;
    Report(*e, 75);
    // Leave in every case: a printer left in user-setting mode prints nothing.
    const bool left = talk.LeaveUserSetting();
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
    if (record->selector != kCutPositionSelector) return kCpeUnknownSelector;
    if (record->forward > kForwardMax || record->backward > kBackwardMax) return kCpeOutOfRange;
    std::scoped_lock guard(e->lock);
    vxproto::CPrinterTalk talk(e->channel, kTimeoutMs);
    Report(*e, 0);
    if (!talk.EnterUserSetting()) return kCpeNoAnswer;
    Report(*e, 30);
    const bool set = talk.SetCustomizedValues({{kForwardValue, record->forward}, {kBackwardValue, record->backward}});
    Report(*e, 60);
    // The values take effect when the mode is left: the printer restarts now.
    const bool left = talk.LeaveUserSetting();
    Report(*e, 100);
    return set && left ? kCpeOk : kCpeNoAnswer;
  } catch (...) {
    return kCpeNoAnswer;
  }
}

}  // extern "C"
