// "ModelDataEngine.dll": named values about the connected printer model.
// Load asks the printer once; the getters answer from what it said, plus
// the fixed facts of the model. The keys are listed in docs/model-data-keys.md.

#include <windows.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <variant>

#include "makerlibs/common/CommChannel.h"
#include "makerlibs/common/HandleTable.h"
#include "makerlibs/include/ModelDataEngineApi.h"

namespace {

using Value = std::variant<int32_t, std::string>;
constexpr uint32_t kTimeoutMs = 2000;

struct Engine {
  explicit Engine(IVXComm* c) : channel(c) {}
  std::mutex lock;
  CCommChannel channel;
  std::map<std::string, Value> values;
  bool loaded = false;
  // The progress callback has a lock of its own, taken only to copy it: the
  // callback runs while a load holds the engine's lock, and may set or
  // clear itself.
  std::mutex callbackLock;
  ModelDataProgress callback = nullptr;
  void* context = nullptr;
};

CHandleTable<Engine>& Engines() {
  static CHandleTable<Engine> table;
  return table;
}

// Facts of the model that no command asks.
void AddFixedValues(std::map<std::string, Value>& v) {
  v["CutAdjustForwardMax"] = 4241;
  v["CutAdjustBackwardMax"] = 262;
  v["CutAdjustUnitsPerInch"] = 180;
  v["InterfaceKinds"] = std::string("COM,USB,NET,BT");
}

int32_t ToInt(const std::string& text, int32_t fallback) {
  if (text.empty() || text.size() > 9) return fallback;
  int32_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return fallback;
    v = v * 10 + (c - '0');
  }
  return v;
}

int32_t LoadLocked(Engine& e) {
  vxproto::CPrinterTalk talk(e.channel, kTimeoutMs);
  auto report = [&](int32_t percent) {
    ModelDataProgress callback = nullptr;
    void* context = nullptr;
    {
      std::scoped_lock guard(e.callbackLock);
      callback = e.callback;
      context = e.context;
    }
    if (callback) callback(percent, context);
  };
  report(0);
  std::map<std::string, Value> v;
  const struct {
    const char* key;
    uint8_t id;
    bool number;
  } asked[] = {
      {"ModelName", vxproto::kIdModelName, false},      {"MakerName", vxproto::kIdMakerName, false},
      {"FirmwareVersion", vxproto::kIdFirmwareVersion, false}, {"SerialNumber", vxproto::kIdSerialNumber, false},
      {"PaperWidthMm", 111, true},                      {"CutPositionSupported", 114, true},
      {"ModelVariant", 117, true},
  };
  const int total = static_cast<int>(std::size(asked)) + 1;
  int done = 0;
  for (const auto& a : asked) {
    auto text = talk.QueryText(a.id);
    // Items the model lacks stay unknown; the identity texts must come.
    if (!text && a.id >= vxproto::kIdFirmwareVersion && a.id <= vxproto::kIdSerialNumber) return kMdeNoAnswer;
    if (text) {
      if (a.number) v[a.key] = ToInt(*text, -1);
      else v[a.key] = *text;
    }
    report(100 * ++done / total);
  }
  auto id = talk.QueryIdByte(vxproto::kIdModel);
  if (!id) return kMdeNoAnswer;
  v["DeviceID"] = static_cast<int32_t>(*id);
  AddFixedValues(v);
  e.values = std::move(v);
  e.loaded = true;
  report(100);
  return kMdeOk;
}

// The value of a key, loading first when nothing was loaded yet.
int32_t Lookup(Engine& e, const char* key, int32_t keyLength, const Value** out) {
  if (!key || keyLength <= 0 || keyLength > 256) return kMdeBadArgument;
  if (!e.loaded) {
    const int32_t r = LoadLocked(e);
    if (r != kMdeOk) return r;
  }
  auto it = e.values.find(std::string(key, static_cast<std::size_t>(keyLength)));
  if (it == e.values.end()) return kMdeUnknownKey;
  *out = &it->second;
  return kMdeOk;
}

}  // namespace

#define VX_EXPORT extern "C" __declspec(dllexport)

VX_EXPORT int32_t Initialize(IVXComm* comm) noexcept {
  if (!comm) return 0;
  try {
    return Engines().Add(std::make_shared<Engine>(comm));
  } catch (...) {
    return 0;
  }
}

VX_EXPORT int32_t Finalize(int32_t* handle) noexcept {
  if (!handle) return kMdeBadArgument;
  const bool known = Engines().Remove(*handle);
  *handle = 0;
  return known ? kMdeOk : kMdeBadHandle;
}

VX_EXPORT int32_t RegisterCallback(int32_t handle, ModelDataProgress callback, void* context) noexcept {
  auto e = Engines().Find(handle);
  if (!e) return kMdeBadHandle;
  std::scoped_lock guard(e->callbackLock);
  e->callback = callback;
  e->context = context;
  return kMdeOk;
}

VX_EXPORT int32_t UnregisterCallback(int32_t handle) noexcept {
  auto e = Engines().Find(handle);
  if (!e) return kMdeBadHandle;
  std::scoped_lock guard(e->callbackLock);
  e->callback = nullptr;
  e->context = nullptr;
  return kMdeOk;
}

VX_EXPORT int32_t Load(int32_t handle) noexcept {
  try {
    auto e = Engines().Find(handle);
    if (!e) return kMdeBadHandle;
    std::scoped_lock guard(e->lock);
    return LoadLocked(*e);
  } catch (...) {
    return kMdeNoAnswer;
  }
}

VX_EXPORT int32_t GetValueLength(int32_t handle, const char* key, int32_t keyLength, int32_t* length) noexcept {
  try {
    auto e = Engines().Find(handle);
    if (!e) return kMdeBadHandle;
    if (!length) return kMdeBadArgument;
    std::scoped_lock guard(e->lock);
    const Value* v = nullptr;
    const int32_t r = Lookup(*e, key, keyLength, &v);
    if (r != kMdeOk) return r;
    *length = std::holds_alternative<int32_t>(*v) ? 4 : static_cast<int32_t>(std::get<std::string>(*v).size());
    return kMdeOk;
  } catch (...) {
    return kMdeNoAnswer;
  }
}

VX_EXPORT int32_t GetValueString(int32_t handle, const char* key, int32_t keyLength, char* buffer,
                                 int32_t length) noexcept {
  try {
    auto e = Engines().Find(handle);
    if (!e) return kMdeBadHandle;
    if (!buffer || length < 0) return kMdeBadArgument;
    std::scoped_lock guard(e->lock);
    const Value* v = nullptr;
    const int32_t r = Lookup(*e, key, keyLength, &v);
    if (r != kMdeOk) return r;
    if (!std::holds_alternative<std::string>(*v)) return kMdeWrongType;
    const std::string& text = std::get<std::string>(*v);
    if (static_cast<std::size_t>(length) < text.size()) return kMdeTooSmall;
    std::memcpy(buffer, text.data(), text.size());  // the length asked first has no terminator
    if (static_cast<std::size_t>(length) > text.size()) buffer[text.size()] = '\0';
    return kMdeOk;
  } catch (...) {
    return kMdeNoAnswer;
  }
}

VX_EXPORT int32_t GetValueInt(int32_t handle, const char* key, int32_t keyLength, int32_t* value) noexcept {
  try {
    auto e = Engines().Find(handle);
    if (!e) return kMdeBadHandle;
    if (!value) return kMdeBadArgument;
    std::scoped_lock guard(e->lock);
    const Value* v = nullptr;
    const int32_t r = Lookup(*e, key, keyLength, &v);
    if (r != kMdeOk) return r;
    if (!std::holds_alternative<int32_t>(*v)) return kMdeWrongType;
    *value = std::get<int32_t>(*v);
    return kMdeOk;
  } catch (...) {
    return kMdeNoAnswer;
  }
}
