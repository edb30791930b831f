// Any bytes from a printer: the stream splitter and every reply parser must
// answer without crashing or reading past the input, and a split never
// invents bytes.
#include <cstddef>
#include <vector>

#include "makerlibs/protocol/PrinterProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vxproto::CStreamSplitter splitter;
  size_t out = 0;
  // Fed in two pieces, as a stream arrives.
  const size_t half = size / 2;
  for (const auto& [from, n] : {std::pair{data, half}, std::pair{data + half, size - half}}) {
    const auto split = splitter.Feed(from, n);
    out += split.reply.size() + 4 * split.blocks.size();
  }
  if (out > size) __builtin_trap();
  const vxproto::Bytes reply(data, data + size);
  (void)vxproto::ParseTextReply(reply);
  (void)vxproto::ParseCustomizedValueReply(reply, size ? data[0] : 0);
  (void)vxproto::ParseMemorySwitchReply(reply);
  (void)vxproto::IsUserSettingAck(reply);
  return 0;
}
