#include "makerlibs/protocol/PrinterProtocol.h"

#include <gtest/gtest.h>

#include <deque>

#include "emulator/ControlProtocol.h"
#include "emulator/PrinterEngine.h"
#include "makerlibs/protocol/PortRegistry.h"

namespace {

using vxproto::Bytes;

Bytes B(std::initializer_list<int> v) {
  Bytes b;
  for (int x : v) b.push_back(static_cast<uint8_t>(x));
  return b;
}

// The status the library reports for each condition of the emulated printer:
// the engine's own block, decoded, so both ends of the protocol agree.
TEST(StatusMapping, EachPrinterConditionBecomesItsStatusCode) {
  const struct {
    const char* condition;
    int32_t status;
  } cases[] = {
      {"", 0}, {"offline", 1}, {"fatal", 3}, {"recoverable", 4}, {"autorecoverable", 5},
      {"cover", 6}, {"paperout", 7}, {"cutter", 9}, {"nearend", 18},
  };
  for (const auto& c : cases) {
    emu::CPrinterEngine e;
    e.PowerOn();
    emu::Conditions conditions;
    if (*c.condition) emu::ApplyCondition(conditions, c.condition, true);
    e.SetConditions(conditions);
    EXPECT_EQ(vxproto::StatusFromAsb(e.AutomaticStatus()), c.status) << c.condition;
    const std::array<uint8_t, 4> rt = {e.RealTimeStatus(1), e.RealTimeStatus(2), e.RealTimeStatus(3),
                                       e.RealTimeStatus(4)};
    EXPECT_EQ(vxproto::StatusFromRealTime(rt), c.status) << c.condition << " (real-time)";
  }
}

TEST(StatusMapping, TheSeriousErrorWinsWhenSeveralHold) {
  const struct {
    std::vector<const char*> conditions;
    int32_t status;
  } cases[] = {
      {{"cover", "fatal"}, 3},     {{"paperout", "cutter"}, 9}, {{"nearend", "offline"}, 1},
      {{"cover", "paperout"}, 6},  {{"nearend", "paperout"}, 7},
  };
  for (const auto& c : cases) {
    emu::CPrinterEngine e;
    emu::Conditions conditions;
    for (auto* name : c.conditions) emu::ApplyCondition(conditions, name, true);
    e.SetConditions(conditions);
    EXPECT_EQ(vxproto::StatusFromAsb(e.AutomaticStatus()), c.status) << c.conditions[0] << "+" << c.conditions[1];
  }
}

TEST(StreamSplitter, SeparatesPushedStatusFromReplies) {
  const struct {
    const char* what;
    Bytes stream;
    std::size_t blocks;
    Bytes reply;
  } cases[] = {
      {"block alone", B({0x10, 0, 0, 0}), 1, {}},
      {"text reply with '0' digits inside", B({0x5F, '0', '0', '1', 0}), 0, B({0x5F, '0', '0', '1', 0})},
      {"block between two replies", B({0x37, 0x20, 0, 0x38, 0x08, 0, 0, 0x12}), 1, B({0x37, 0x20, 0, 0x12})},
      {"real-time byte is a reply", B({0x12}), 0, B({0x12})},
      {"ID byte is a reply", B({0x25}), 0, B({0x25})},
      {"broken block gives way", B({0x10, 0x80, 0x12}), 0, B({0x80, 0x12})},
  };
  for (const auto& c : cases) {
    vxproto::CStreamSplitter s;
    auto r = s.Feed(c.stream.data(), c.stream.size());
    EXPECT_EQ(r.blocks.size(), c.blocks) << c.what;
    EXPECT_EQ(r.reply, c.reply) << c.what;
  }
  // A block split across two reads.
  vxproto::CStreamSplitter s;
  const Bytes a = B({0x18, 0}), b = B({0x0C, 0});
  EXPECT_TRUE(s.Feed(a.data(), a.size()).blocks.empty());
  EXPECT_EQ(s.Feed(b.data(), b.size()).blocks.size(), 1u);
  // An endless text does not swallow the stream for ever.
  Bytes endless(1000, 'A');
  endless.insert(endless.begin(), 0x5F);
  endless.insert(endless.end(), {0x10, 0, 0, 0});
  vxproto::CStreamSplitter t;
  EXPECT_EQ(t.Feed(endless.data(), endless.size()).blocks.size(), 1u);
}

TEST(ReplyParsers, TextReply) {
  const struct {
    Bytes reply;
    std::optional<std::string> text;
    const char* fault;
  } cases[] = {
      {B({0x5F, 'V', 'X', 0}), "VX", "well formed"},
      {B({0x5F, 0}), "", "empty text"},
      {B({0x5F, 'V', 'X'}), std::nullopt, "truncated: no terminator"},
      {B({0x37, 'V', 0}), std::nullopt, "wrong head"},
      {B({0x5F, 'V', 0x01, 0}), std::nullopt, "control character inside"},
      {{}, std::nullopt, "nothing"},
  };
  for (const auto& c : cases) EXPECT_EQ(vxproto::ParseTextReply(c.reply), c.text) << c.fault;
  Bytes huge(400, 'A');
  huge.front() = 0x5F;
  huge.back() = 0;
  EXPECT_FALSE(vxproto::ParseTextReply(huge)) << "oversized";
}

TEST(ReplyParsers, CustomizedValueReply) {
  auto reply = [](const std::string& body) {
    Bytes b = {0x37, 0x27};
    b.insert(b.end(), body.begin(), body.end());
    b.push_back(0);
    return b;
  };
  const struct {
    Bytes reply;
    uint8_t number;
    std::optional<uint16_t> value;
    const char* fault;
  } cases[] = {
      {reply("116\x1F" "4241"), 116, 4241, "well formed"},
      {reply("5\x1F" "65530"), 5, 65530, "a negative value's 16-bit form"},
      {reply("117\x1F" "5"), 116, std::nullopt, "another value's reply"},
      {reply("116\x1F" "65536"), 116, std::nullopt, "beyond 16 bits"},
      {reply("116\x1F"), 116, std::nullopt, "no value"},
      {reply("116" "4241"), 116, std::nullopt, "no separator"},
      {reply("116\x1F" "42a"), 116, std::nullopt, "not a number"},
      {reply("116\x1F" "0000000004"), 116, std::nullopt, "oversized"},
      {B({0x37, 0x27, '1', 0x1F, '1'}), 1, std::nullopt, "truncated"},
      {B({0x37, 0x21, '1', 0x1F, '1', 0}), 1, std::nullopt, "memory switch head"},
  };
  for (const auto& c : cases) EXPECT_EQ(vxproto::ParseCustomizedValueReply(c.reply, c.number), c.value) << c.fault;
}

TEST(ReplyParsers, MemorySwitchReplyAndAck) {
  EXPECT_EQ(vxproto::ParseMemorySwitchReply(B({0x37, 0x21, '1', '0', '0', '0', '0', '0', '0', '1', 0})), 0x81);
  EXPECT_FALSE(vxproto::ParseMemorySwitchReply(B({0x37, 0x21, '1', '0', '0', '0', '0', '0', '0', 0})))
      << "truncated";
  EXPECT_FALSE(vxproto::ParseMemorySwitchReply(B({0x37, 0x21, '1', '0', '0', '0', '0', '0', '0', '2', 0})))
      << "not a bit";
  EXPECT_FALSE(vxproto::ParseMemorySwitchReply(B({0x37, 0x21, '1', '0', '0', '0', '0', '0', '0', '1', '1', 0})))
      << "oversized";
  EXPECT_TRUE(vxproto::IsUserSettingAck(B({0x37, 0x20, 0})));
  EXPECT_FALSE(vxproto::IsUserSettingAck(B({0x37, 0x20})));
}

// A channel straight into the emulator's engine, with faults of its own.
class CEngineChannel : public vxproto::IByteChannel {
public:
  explicit CEngineChannel(emu::CPrinterEngine& e) : engine_(e) {}
  bool Write(const Bytes& bytes, uint32_t) override {
    written.insert(written.end(), bytes.begin(), bytes.end());
    Bytes out = engine_.Feed(bytes);
    if (cutAfter >= 0 && out.size() > static_cast<std::size_t>(cutAfter)) {
      out.resize(static_cast<std::size_t>(cutAfter));
      closed_ = true;
    }
    if (corrupt && !out.empty()) out.back() = 'X';
    pending_.insert(pending_.end(), out.begin(), out.end());
    return true;
  }
  int Read(uint8_t* buffer, std::size_t size, uint32_t) override {
    if (pending_.empty()) return closed_ ? -1 : 0;
    std::size_t n = 0;
    for (; n < size && !pending_.empty(); ++n) {
      buffer[n] = pending_.front();
      pending_.pop_front();
    }
    return static_cast<int>(n);
  }
  void Purge() override { pending_.clear(); }
  Bytes written;
  int cutAfter = -1;
  bool corrupt = false;

private:
  emu::CPrinterEngine& engine_;
  std::deque<uint8_t> pending_;
  bool closed_ = false;
};

TEST(PrinterTalk, AsksTheEmulatedPrinter) {
  emu::CPrinterEngine e;
  e.PowerOn();
  CEngineChannel channel(e);
  vxproto::CPrinterTalk talk(channel, 50);
  EXPECT_EQ(talk.QueryText(vxproto::kIdModelName), "VX-R200");
  EXPECT_EQ(talk.QueryIdByte(vxproto::kIdModel), 0x25);
  ASSERT_TRUE(talk.EnterUserSetting());
  EXPECT_TRUE(talk.SetCustomizedValues({{116, 300}, {117, 0}}));
  EXPECT_EQ(talk.ReadCustomizedValue(116), 0) << "in force only after the restart";
  EXPECT_TRUE(talk.LeaveUserSetting());
  EXPECT_TRUE(e.RestartRequested());
  e.PowerOn();
  ASSERT_TRUE(talk.EnterUserSetting());
  EXPECT_EQ(talk.ReadCustomizedValue(116), 300);
  EXPECT_EQ(talk.ReadMemorySwitch(1), 0);
}

TEST(PrinterTalk, FaultsGiveTheirError) {
  const struct {
    const char* fault;
    emu::Identity identity;
    int cutAfter;
    bool corrupt;
    vxproto::TalkError error;
  } cases[] = {
      {"mute printer", emu::Identity::Mute, -1, false, vxproto::TalkError::Timeout},
      {"connection dropped mid-reply", emu::Identity::Served, 3, false, vxproto::TalkError::Closed},
      {"reply garbled at its end", emu::Identity::Served, -1, true, vxproto::TalkError::Timeout},
  };
  for (const auto& c : cases) {
    emu::Settings s = emu::DefaultSettings();
    s.identity = c.identity;
    emu::CPrinterEngine e(s);
    e.PowerOn();
    CEngineChannel channel(e);
    channel.cutAfter = c.cutAfter;
    channel.corrupt = c.corrupt;
    vxproto::CPrinterTalk talk(channel, 30);
    EXPECT_FALSE(talk.QueryText(vxproto::kIdModelName)) << c.fault;
    EXPECT_EQ(talk.LastError(), c.error) << c.fault;
  }
}

TEST(PortRegistry, TextRoundTripsAndSkipsDamagedLines) {
  const std::vector<vxproto::PortRecord> ports = {
      {L"NET", L"127.0.0.1", L"tcp://127.0.0.1:9100", L"VX-R200", L""},
      {L"USB", L"VXUSB001", L"usb://VXUSB001", L"", L""},
      {L"COM", L"COM5", L"", L"VX-R200", L"9600,1,7"},
  };
  EXPECT_EQ(vxproto::ParsePortRegistry(vxproto::FormatPortRegistry(ports)), ports);
  const struct {
    const wchar_t* text;
    std::size_t kept;
    const char* fault;
  } cases[] = {
      {L"NET\ta\tb\n", 0, "three fields"},
      {L"NET\ta\tb\tc\td\n", 0, "a fifth field that is no line settings"},
      {L"COM\ta\tb\tc\t9600,0,8\te\n", 0, "six fields"},
      {L"\ta\tb\tc\n", 0, "no kind"},
      {L"# comment\r\nNET\ta\tb\tc\r\n", 1, "CR LF and a comment"},
      {L"NET\ta\tb\tc", 1, "no final line end"},
  };
  for (const auto& c : cases) EXPECT_EQ(vxproto::ParsePortRegistry(c.text).size(), c.kept) << c.fault;
  std::wstring longField = L"NET\t" + std::wstring(300, L'a') + L"\tb\tc\n";
  EXPECT_TRUE(vxproto::ParsePortRegistry(longField).empty()) << "oversized field";
  std::wstring many;
  for (int i = 0; i < 400; ++i) many += L"NET\t" + std::to_wstring(i) + L"\t\t\n";
  EXPECT_EQ(vxproto::ParsePortRegistry(many).size(), vxproto::kMaxPorts) << "too many lines";
  EXPECT_FALSE(vxproto::IsStorable({L"NET", L"a\tb", L"", L"", L""}));
  EXPECT_EQ(vxproto::DefaultPorts().size(), 1u);
}

TEST(PortRegistry, SerialLineSettings) {
  const struct {
    const wchar_t* text;
    std::optional<vxproto::LineSettings> line;
  } cases[] = {
      {L"115200,0,8", vxproto::LineSettings{115200, 0, 8}},
      {L"9600,2,7", vxproto::LineSettings{9600, 2, 7}},
      {L"9600,3,8", std::nullopt},       // no such parity
      {L"9600,0,9", std::nullopt},       // no such data bits
      {L"100,0,8", std::nullopt},        // below any line speed
      {L"99999999,0,8", std::nullopt},   // too many digits, never wrapped
      {L"9600,0", std::nullopt},
      {L"9600,0,8,1", std::nullopt},
      {L"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vxproto::ParseLineSettings(c.text), c.line) << std::wstring(c.text).size();
    if (c.line) {
      EXPECT_EQ(vxproto::FormatLineSettings(*c.line), c.text);
    }
  }
  // The printer's own settings leave the bytes as they are; others mark them.
  EXPECT_EQ(vxproto::LineKey({}), 0);
  EXPECT_NE(vxproto::LineKey({9600, 0, 8}), 0);
  EXPECT_NE(vxproto::LineKey({9600, 0, 8}), vxproto::LineKey({19200, 0, 8}));
  EXPECT_NE(vxproto::LineKey({115200, 1, 8}), 0);

  // Stored as an optional fifth field; a damaged one drops the line.
  const std::wstring text = L"COM\tCOM5\t\tVX-R200\t9600,0,8\n"
                            L"COM\tCOM6\t\tVX-R200\n"
                            L"COM\tCOM7\t\tVX-R200\tfast\n";
  const auto ports = vxproto::ParsePortRegistry(text);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].lineSettings, L"9600,0,8");
  EXPECT_EQ(ports[1].lineSettings, L"");
  EXPECT_EQ(vxproto::ParsePortRegistry(vxproto::FormatPortRegistry(ports)), ports);
}

TEST(PortRegistry, PathsLeadToTheirTransport) {
  using K = vxproto::Endpoint::Kind;
  const struct {
    const wchar_t* kind;
    const wchar_t* name;
    const wchar_t* path;
    std::optional<K> leads;
    std::wstring address;
    uint16_t port;
  } cases[] = {
      {L"NET", L"", L"tcp://127.0.0.1:9100", K::Tcp, L"127.0.0.1", 9100},
      {L"NET", L"10.0.0.5", L"", K::Tcp, L"10.0.0.5", 9100},
      {L"USB", L"", L"pipe://vx/VXPORT3/Queue name", K::Pipe, L"\\\\.\\pipe\\vx\\VXPORT3", 0},
      {L"USB", L"", L"PIPE://VX/VXPORT1", K::Pipe, L"\\\\.\\pipe\\vx\\VXPORT1", 0},
      {L"USB", L"VXUSB001", L"", K::Pipe, L"\\\\.\\pipe\\vxusb\\VXUSB001", 0},
      {L"COM", L"COM5", L"", K::Device, L"\\\\.\\COM5", 0},
      {L"LPT", L"LPT1", L"", K::Device, L"\\\\.\\LPT1", 0},
      {L"LPT", L"", L"lpt://VXLPT1", K::Pipe, L"\\\\.\\pipe\\vxlpt\\VXLPT1", 0},
      {L"LPT", L"", L"lpt://../x", std::nullopt, L"", 0},
      {L"NET", L"", L"tcp://host:99999", std::nullopt, L"", 0},
      {L"NET", L"", L"tcp://host:", std::nullopt, L"", 0},
      {L"USB", L"", L"pipe://vx/../evil", std::nullopt, L"", 0},
      {L"USB", L"", L"ftp://x", std::nullopt, L"", 0},
      {L"XYZ", L"a", L"", std::nullopt, L"", 0},
  };
  for (const auto& c : cases) {
    auto e = vxproto::ResolveEndpoint(c.kind, c.name, c.path);
    ASSERT_EQ(e.has_value(), c.leads.has_value()) << std::string(c.path, c.path + wcslen(c.path));
    if (!e) continue;
    EXPECT_EQ(e->kind, *c.leads);
    EXPECT_EQ(e->address, c.address);
    EXPECT_EQ(e->port, c.port);
  }
}

}  // namespace
