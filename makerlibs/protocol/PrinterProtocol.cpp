#include "makerlibs/protocol/PrinterProtocol.h"

#include <chrono>
#include <thread>

namespace vxproto {

namespace {

constexpr uint8_t kGs = 0x1D;

Bytes UserSetting(uint8_t fn, std::initializer_list<uint8_t> data) {
  const std::size_t length = data.size() + 1;
  Bytes b;
  b.reserve(5 + length);
  for (uint8_t x : {kGs, uint8_t{'('}, uint8_t{'E'}, static_cast<uint8_t>(length & 0xFF),
                    static_cast<uint8_t>(length >> 8), fn}) {
    b.push_back(x);
  }
  for (uint8_t x : data) b.push_back(x);
  return b;
}

bool AllDigits(const Bytes& b, std::size_t from, std::size_t to) {
  if (from >= to || to - from > 5) return false;
  for (std::size_t i = from; i < to; ++i) {
    if (b[i] < '0' || b[i] > '9') return false;
  }
  return true;
}

unsigned long Decimal(const Bytes& b, std::size_t from, std::size_t to) {
  unsigned long v = 0;
  for (std::size_t i = from; i < to; ++i) v = v * 10 + (b[i] - '0');
  return v;
}

}  // namespace

Bytes RealTimeStatusCommand(uint8_t n) { return {0x10, 0x04, n}; }
Bytes AutomaticStatusCommand(uint8_t items) { return {kGs, 'a', items}; }
Bytes PrinterIdCommand(uint8_t n) { return {kGs, 'I', n}; }
Bytes EnterUserSettingCommand() { return UserSetting(1, {'I', 'N'}); }
Bytes LeaveUserSettingCommand() { return UserSetting(2, {'O', 'U', 'T'}); }
Bytes ReadMemorySwitchCommand(uint8_t a) { return UserSetting(4, {a}); }
Bytes ReadCustomizedValueCommand(uint8_t a) { return UserSetting(6, {a}); }

Bytes SetCustomizedValuesCommand(const std::vector<std::pair<uint8_t, uint16_t>>& values) {
  const std::size_t length = 3 * values.size() + 1;
  Bytes b = {kGs, '(', 'E', static_cast<uint8_t>(length & 0xFF), static_cast<uint8_t>(length >> 8), 5};
  for (const auto& [a, v] : values) {
    b.push_back(a);
    b.push_back(static_cast<uint8_t>(v & 0xFF));
    b.push_back(static_cast<uint8_t>(v >> 8));
  }
  return b;
}

Bytes SetMemorySwitchesCommand(const std::vector<std::pair<uint8_t, SwitchCharacters>>& switches) {
  const std::size_t length = 9 * switches.size() + 1;
  Bytes b = {kGs, '(', 'E', static_cast<uint8_t>(length & 0xFF), static_cast<uint8_t>(length >> 8), 3};
  for (const auto& [a, characters] : switches) {
    b.push_back(a);
    b.insert(b.end(), characters.begin(), characters.end());
  }
  return b;
}

int32_t StatusFromAsb(const std::array<uint8_t, 4>& s) {
  // The error that needs the user's hands first, then what stops printing,
  // then what only warns.
  if (s[1] & 0x20) return kStatusFatal;
  if (s[1] & 0x08) return kStatusCutterError;
  if (s[1] & 0x04) return kStatusRecoverable;
  if (s[1] & 0x40) return kStatusAutoRecoverable;
  if (s[0] & 0x20) return kStatusCoverOpen;
  if (s[2] & 0x0C) return kStatusPaperOut;
  if (s[0] & 0x08) return kStatusOffline;
  if (s[2] & 0x03) return kStatusNearEnd;
  return kStatusOnline;
}

int32_t StatusFromRealTime(const std::array<uint8_t, 4>& r) {
  std::array<uint8_t, 4> block = {0x10, 0, 0, 0};
  if (r[0] & 0x08) block[0] |= 0x08;
  if (r[1] & 0x04) block[0] |= 0x20;
  if (r[2] & 0x04) block[1] |= 0x04;
  if (r[2] & 0x08) block[1] |= 0x08;
  if (r[2] & 0x20) block[1] |= 0x20;
  if (r[2] & 0x40) block[1] |= 0x40;
  if (r[3] & 0x0C) block[2] |= 0x03;
  if (r[3] & 0x60) block[2] |= 0x0C;
  return StatusFromAsb(block);
}

CStreamSplitter::Result CStreamSplitter::Feed(const uint8_t* data, std::size_t size) {
  Result r;
  for (std::size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i];
    switch (state_) {
      case State::Block:
        if (IsAsbFollowByte(b)) {
          block_[blockLength_++] = b;
          if (blockLength_ == 4) {
            r.blocks.push_back(block_);
            state_ = State::Idle;
          }
          continue;
        }
        state_ = State::Idle;  // not a block after all: the byte starts afresh
        break;
      case State::Text:
        r.reply.push_back(b);
        if (b == 0x00 || ++textLength_ > kMaxReply) state_ = State::Idle;
        continue;
      case State::Idle:
        break;
    }
    if (IsAsbFirstByte(b)) {
      block_ = {b, 0, 0, 0};
      blockLength_ = 1;
      state_ = State::Block;
    } else if (b == 0x5F || b == 0x37 || b == 0x3B) {
      r.reply.push_back(b);
      textLength_ = 1;
      state_ = State::Text;
    } else {
      r.reply.push_back(b);
    }
  }
  return r;
}

void CStreamSplitter::Reset() {
  state_ = State::Idle;
  blockLength_ = 0;
  textLength_ = 0;
}

std::optional<std::string> ParseTextReply(const Bytes& reply) {
  if (reply.size() < 2 || reply.size() > kMaxReply || reply.front() != 0x5F || reply.back() != 0x00) return std::nullopt;
  std::string text(reply.begin() + 1, reply.end() - 1);
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
  }
  return text;
}

std::optional<uint16_t> ParseCustomizedValueReply(const Bytes& reply, uint8_t number) {
  if (reply.size() < 6 || reply.size() > 16 || reply[0] != 0x37 || reply[1] != 0x27 || reply.back() != 0x00) {
    return std::nullopt;
  }
  std::size_t sep = 2;
  while (sep < reply.size() && reply[sep] != 0x1F) ++sep;
  const std::size_t end = reply.size() - 1;
  if (sep >= end || !AllDigits(reply, 2, sep) || !AllDigits(reply, sep + 1, end)) return std::nullopt;
  if (Decimal(reply, 2, sep) != number) return std::nullopt;
  const unsigned long value = Decimal(reply, sep + 1, end);
  if (value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

std::optional<uint8_t> ParseMemorySwitchReply(const Bytes& reply) {
  if (reply.size() != 11 || reply[0] != 0x37 || reply[1] != 0x21 || reply[10] != 0x00) return std::nullopt;
  uint8_t bits = 0;
  for (int i = 0; i < 8; ++i) {
    const uint8_t c = reply[2 + i];
    if (c != '0' && c != '1') return std::nullopt;
    bits = static_cast<uint8_t>(bits << 1 | (c == '1'));
  }
  return bits;
}

bool IsUserSettingAck(const Bytes& reply) { return reply == Bytes{0x37, 0x20, 0x00}; }

bool CPrinterTalk::Send(const Bytes& command) {
  error_ = TalkError::None;
  channel_.Purge();
  if (!channel_.Write(command, timeoutMs_)) {
    error_ = TalkError::Write;
    return false;
  }
  return true;
}

std::optional<Bytes> CPrinterTalk::ReadTextReply() {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
  Bytes reply;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      error_ = TalkError::Timeout;
      return std::nullopt;
    }
    uint8_t b = 0;
    const int n = channel_.Read(&b, 1, static_cast<uint32_t>(left));
    if (n < 0) {
      error_ = TalkError::Closed;
      return std::nullopt;
    }
    if (n == 0) continue;
    if (reply.empty() && b != 0x5F && b != 0x37) continue;  // stray bytes before the reply
    reply.push_back(b);
    if (b == 0x00) return reply;
    if (reply.size() > kMaxReply) {
      error_ = TalkError::Corrupt;
      return std::nullopt;
    }
  }
}

std::optional<std::string> CPrinterTalk::QueryText(uint8_t idNumber) {
  if (!Send(PrinterIdCommand(idNumber))) return std::nullopt;
  auto reply = ReadTextReply();
  if (!reply) return std::nullopt;
  auto text = ParseTextReply(*reply);
  if (!text) error_ = TalkError::Corrupt;
  return text;
}

std::optional<uint8_t> CPrinterTalk::QueryIdByte(uint8_t idNumber) {
  if (!Send(PrinterIdCommand(idNumber))) return std::nullopt;
  uint8_t b = 0;
  const int n = channel_.Read(&b, 1, timeoutMs_);
  if (n <= 0) {
    error_ = n < 0 ? TalkError::Closed : TalkError::Timeout;
    return std::nullopt;
  }
  if (b & 0x90) {  // an ID byte has bits 4 and 7 clear
    error_ = TalkError::Corrupt;
    return std::nullopt;
  }
  return b;
}

bool CPrinterTalk::EnterUserSetting() {
  if (!Send(EnterUserSettingCommand())) return false;
  auto reply = ReadTextReply();
  if (!reply) return false;
  if (!IsUserSettingAck(*reply)) {
    error_ = TalkError::Corrupt;
    return false;
  }
  return true;
}

bool CPrinterTalk::LeaveUserSetting() { return Send(LeaveUserSettingCommand()); }

bool CUserSettingMode::Leave() {
  if (left_) return leaveSent_;
  left_ = true;
  // After a failed exchange the connection may have gone, and the command
  // with it, while the printer stays in the mode.
  const bool uncertain = !entered_ || talk_.LastError() != TalkError::None;
  for (int attempt = 0; attempt < kLeaveAttempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(kLeaveRetryMs));
    leaveSent_ = talk_.LeaveUserSetting();
    if (!leaveSent_) continue;
    if (!uncertain) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kLeaveRetryMs));
    if (!talk_.AnswersInUserSetting()) break;
  }
  return leaveSent_;
}

std::optional<uint16_t> CPrinterTalk::ReadCustomizedValue(uint8_t number) {
  if (!Send(ReadCustomizedValueCommand(number))) return std::nullopt;
  auto reply = ReadTextReply();
  if (!reply) return std::nullopt;
  auto value = ParseCustomizedValueReply(*reply, number);
  if (!value) error_ = TalkError::Corrupt;
  return value;
}

bool CPrinterTalk::SetCustomizedValues(const std::vector<std::pair<uint8_t, uint16_t>>& values) {
  return Send(SetCustomizedValuesCommand(values));
}

bool CPrinterTalk::SetMemorySwitches(const std::vector<std::pair<uint8_t, SwitchCharacters>>& switches) {
  return Send(SetMemorySwitchesCommand(switches));
}

std::optional<uint8_t> CPrinterTalk::ReadMemorySwitch(uint8_t a) {
  if (!Send(ReadMemorySwitchCommand(a))) return std::nullopt;
  auto reply = ReadTextReply();
  if (!reply) return std::nullopt;
  auto bits = ParseMemorySwitchReply(*reply);
  if (!bits) error_ = TalkError::Corrupt;
  return bits;
}

}  // namespace vxproto
