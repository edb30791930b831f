// "PrnInfoBroker.dll": the printer's identity and its numbered information
// items, asked through the communication object the caller lends.

#include <windows.h>

#include <cstring>
#include <mutex>
#include <string>

#include "makerlibs/common/CommChannel.h"
#include "makerlibs/common/HandleTable.h"
#include "makerlibs/include/PrnInfoBrokerApi.h"

namespace {

constexpr int32_t kOk = 1;
constexpr int32_t kBadHandle = -1;
constexpr int32_t kBadArgument = -2;
constexpr int32_t kNoAnswer = -3;
constexpr int32_t kTooSmall = -4;
constexpr uint32_t kTimeoutMs = 2000;

struct Session {
  explicit Session(IVXComm* c) : channel(c) {}
  std::mutex lock;  // one exchange with the printer at a time
  CCommChannel channel;
  std::string model, firmware, serial, maker;  // what GetPrinterInformation lends out
  void* callback = nullptr;
  void* context = nullptr;
};

CHandleTable<Session>& Sessions() {
  static CHandleTable<Session> table;
  return table;
}

int32_t CopyOut(const std::string& text, char* buffer, int32_t size) {
  if (static_cast<int32_t>(text.size()) >= size) return kTooSmall;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return kOk;
}

}  // namespace

#define VX_EXPORT extern "C" __declspec(dllexport)

VX_EXPORT int32_t Initialize(IVXComm* comm) noexcept {
  if (!comm) return 0;
  try {
    return Sessions().Add(std::make_shared<Session>(comm));
  } catch (...) {
    return 0;
  }
}

VX_EXPORT int32_t Finalize(int32_t* handle) noexcept {
  if (!handle) return kBadArgument;
  const bool known = Sessions().Remove(*handle);
  *handle = 0;
  return known ? kOk : kBadHandle;
}

VX_EXPORT int32_t GetPrinterInfo(int32_t handle, int32_t item, char* buffer, int32_t size, int32_t* length) noexcept {
  try {
    auto s = Sessions().Find(handle);
    if (!s) return kBadHandle;
    // Items are the printer's own information numbers, asked with 1D 49 n.
    if (!buffer || size <= 0 || item < 96 || item > 255) return kBadArgument;
    std::scoped_lock guard(s->lock);
    vxproto::CPrinterTalk talk(s->channel, kTimeoutMs);
    auto text = talk.QueryText(static_cast<uint8_t>(item));
    if (!text) return kNoAnswer;
    const int32_t r = CopyOut(*text, buffer, size);
    if (r == kOk && length) *length = static_cast<int32_t>(text->size());
    return r;
  } catch (...) {
    return kNoAnswer;
  }
}

VX_EXPORT int32_t GetDeviceID(int32_t handle, int32_t* deviceId) noexcept {
  try {
    auto s = Sessions().Find(handle);
    if (!s) return kBadHandle;
    if (!deviceId) return kBadArgument;
    std::scoped_lock guard(s->lock);
    vxproto::CPrinterTalk talk(s->channel, kTimeoutMs);
    auto id = talk.QueryIdByte(vxproto::kIdModel);
    if (!id) return kNoAnswer;
    *deviceId = *id;
    return kOk;
  } catch (...) {
    return kNoAnswer;
  }
}

VX_EXPORT int32_t GetPrinterName(int32_t handle, char* buffer, int32_t size) noexcept {
  try {
    auto s = Sessions().Find(handle);
    if (!s) return kBadHandle;
    if (!buffer || size <= 0) return kBadArgument;
    std::scoped_lock guard(s->lock);
    vxproto::CPrinterTalk talk(s->channel, kTimeoutMs);
    auto name = talk.QueryText(vxproto::kIdModelName);
    if (!name) return kNoAnswer;
    return CopyOut(*name, buffer, size);
  } catch (...) {
    return kNoAnswer;
  }
}

VX_EXPORT int32_t GetPrinterInformation(int32_t handle, PrnInfoRecord* record, int32_t) noexcept {
  try {
    auto s = Sessions().Find(handle);
    if (!s) return kBadHandle;
    if (!record || record->structSize != 31) return kBadArgument;
    std::scoped_lock guard(s->lock);
    vxproto::CPrinterTalk talk(s->channel, kTimeoutMs);
    auto model = talk.QueryText(vxproto::kIdModelName);
    auto firmware = model ? talk.QueryText(vxproto::kIdFirmwareVersion) : std::nullopt;
    auto serial = firmware ? talk.QueryText(vxproto::kIdSerialNumber) : std::nullopt;
    auto maker = serial ? talk.QueryText(vxproto::kIdMakerName) : std::nullopt;
    if (!maker) return kNoAnswer;
    s->model = *model;
    s->firmware = *firmware;
    s->serial = *serial;
    s->maker = *maker;
    record->modelName = s->model.c_str();
    record->firmwareVersion = s->firmware.c_str();
    record->serialNumber = s->serial.c_str();
    record->makerName = s->maker.c_str();
    return kOk;
  } catch (...) {
    return kNoAnswer;
  }
}

VX_EXPORT int32_t RegisterCallback(int32_t handle, void* callback, void* context) noexcept {
  auto s = Sessions().Find(handle);
  if (!s) return kBadHandle;
  std::scoped_lock guard(s->lock);
  s->callback = callback;  // kept for the session; this library reports nothing on its own
  s->context = context;
  return kOk;
}

VX_EXPORT int32_t UnregisterCallback(int32_t handle) noexcept {
  auto s = Sessions().Find(handle);
  if (!s) return kBadHandle;
  std::scoped_lock guard(s->lock);
  s->callback = nullptr;
  s->context = nullptr;
  return kOk;
}
