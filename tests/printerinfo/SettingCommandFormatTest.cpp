#include "printerinfo/SettingCommandFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace sf = setting_file;

namespace {

using Bytes = std::vector<uint8_t>;

// CRC-32/BZIP2 one bit at a time, apart from the table the code uses.
uint32_t BitwiseCrc(const Bytes& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t byte : data) {
    crc ^= uint32_t{byte} << 24;
    for (int i = 0; i < 8; ++i) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return ~crc;
}

Bytes Hex(const std::string& text) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    if (text[i] == ' ') {
      --i;
      continue;
    }
    bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

void Put32(Bytes& block, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
uint32_t Get32(const Bytes& bytes, std::size_t at) {
  return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
         uint32_t{bytes[at + 3]} << 24;
}

// A data store of blocks, as the printer-settings list holds them.
struct Store {
  std::map<int32_t, Bytes> blocks{{sf::kMemorySwitchBlock, Bytes(256)},
                                  {sf::kCustomValueBlock, Bytes(184)},
                                  {sf::kExtraValueBlock, Bytes(52)},
                                  {sf::kCutPositionBlock, Bytes(40)}};
  std::vector<int32_t> asked;
  sf::BlockReader Reader() {
    return [this](int32_t id, uint8_t* buffer, uint32_t length) {
      asked.push_back(id);
      const auto found = blocks.find(id);
      if (found == blocks.end()) return false;
      std::memcpy(buffer, found->second.data(), std::min<std::size_t>(length, found->second.size()));
      return true;
    };
  }
  Bytes Commands() {
    Bytes part;
    EXPECT_EQ(sf::BuildCommandPart(Reader(), part), 0);
    return part;
  }
};

// The command setting one customized value, and one memory switch.
Bytes ValueCommand(uint8_t number, uint16_t value) {
  return {0x1D, 0x28, 0x45, 0x04, 0x00, 0x05, number, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}
Bytes SwitchCommand(uint8_t number, const std::string& characters) {
  Bytes c = {0x1D, 0x28, 0x45, 0x0A, 0x00, 0x03, number};
  c.insert(c.end(), characters.begin(), characters.end());
  return c;
}

const Bytes kEnter = Hex("1D2845030001494E");
const Bytes kLeave = Hex("1D28450400024F5554");

sf::HeaderText Text() {
  sf::HeaderText text;
  text.deviceName = "VX-R500";
  text.month = 12;
  text.day = 9;
  text.year = 2026;
  text.hour = 7;
  text.minute = 5;
  return text;
}

}  // namespace

TEST(SettingFileCrc, MatchesTheBzip2ParametersAndABitwiseImplementation) {
  // catches: a reflected (zip) CRC, a missing complement, a wrong start value
  const std::string check = "123456789";
  EXPECT_EQ(sf::Crc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xFC891918u);
  EXPECT_EQ(sf::Crc32(nullptr, 0), 0u);
  std::mt19937 random(7);
  for (std::size_t size : {1u, 2u, 255u, 256u, 4099u}) {
    Bytes data(size);
    for (auto& b : data) b = static_cast<uint8_t>(random());
    EXPECT_EQ(sf::Crc32(data.data(), data.size()), BitwiseCrc(data)) << size;
  }
}

TEST(SettingFileLogo, KindFromTheFirstBytes) {
  // catches: a two-byte file taken as a logo, a kind mixed up
  const struct {
    Bytes bytes;
    sf::LogoKind kind;
  } cases[] = {
      {Hex("1D284C00"), sf::LogoKind::Graphics}, {Hex("1D384C"), sf::LogoKind::Graphics},
      {Hex("1C7101"), sf::LogoKind::BitImage},   {Hex("1C71"), sf::LogoKind::None},
      {Hex("1D28"), sf::LogoKind::None},         {Hex("1D284D00"), sf::LogoKind::None},
      {Hex("1B4000"), sf::LogoKind::None},       {{}, sf::LogoKind::None},
  };
  for (const auto& c : cases) EXPECT_EQ(sf::LogoKindOf(c.bytes.data(), c.bytes.size()), c.kind) << c.bytes.size();
}

TEST(SettingFileLogo, APartIsWholeLogoCommandsOfOneKindUpToTheSharedLimit) {
  // catches: a logo part taken on its first bytes (a forged length hides
  // commands or swallows the file's own), a limit the writer does not share
  const auto atLimit = [](std::size_t size) {
    Bytes b = Hex("1D384C");
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>((size - 7) >> (8 * i)));
    b.resize(size, 0x1D);
    return b;
  };
  const struct {
    Bytes part;
    sf::LogoKind kind;
  } cases[] = {
      {Hex("1D284C0200306C 1D384C02000000306C"), sf::LogoKind::Graphics},
      {Hex("1C7102 0100 0100 0102030405060708 0100 0200" + std::string(32, 'F')), sf::LogoKind::BitImage},
      {atLimit(sf::kMaxLogoBytes), sf::LogoKind::Graphics},     {atLimit(sf::kMaxLogoBytes + 1), sf::LogoKind::None},
      {Hex("1D284C0200306C 1D2845030001494E"), sf::LogoKind::None},  // commands behind a short length
      {Hex("1D284C0600306C"), sf::LogoKind::None},              {Hex("1D384C0200"), sf::LogoKind::None},
      {Hex("1C7101 0100 0100 01020304050607"), sf::LogoKind::None},  {Hex("1D284C0200306C 1C7100"), sf::LogoKind::None},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sf::LogoPartKind(c.part.data(), c.part.size()), c.kind) << c.part.size();
    Store store;  // the sender's check goes by the same rule
    const Bytes file = sf::BuildFile(Text(), sf::LogoKindOf(c.part.data(), c.part.size()), c.part, store.Commands());
    EXPECT_EQ(sf::CheckFile(file.data(), file.size(), nullptr) == sf::Check::Ok, c.kind != sf::LogoKind::None);
  }
}

TEST(SettingFileCommands, BuiltByteForByteFromKnownBlocks) {
  // catches: a row out of order, a wrong length byte, a field read from the
  // wrong offset, a switch's characters reversed
  Store store;
  Bytes& msw = store.blocks[sf::kMemorySwitchBlock];
  for (std::size_t at : {64u, 56u, 44u, 68u, 84u, 76u, 172u, 88u, 184u}) Put32(msw, at, 1);
  Put32(msw, 60, 0);
  Bytes& values = store.blocks[sf::kCustomValueBlock];
  Put32(values, 32, 4);
  Put32(values, 36, 1);
  Put32(values, 68, 0x1234);
  Bytes& extra = store.blocks[sf::kExtraValueBlock];
  Put32(extra, 32, 101);
  Put32(extra, 36, 0xFFFF);
  Put32(extra, 40, 0);
  Put32(extra, 44, 0x10203);  // only the low 16 bits travel
  Put32(store.blocks[sf::kCutPositionBlock], 36, 35);

  Bytes want = kEnter;
  for (const Bytes& c : {SwitchCommand(1, "1021001" "2"), SwitchCommand(2, "22222012"), SwitchCommand(5, "22222121"),
                         SwitchCommand(8, "10102120"), ValueCommand(3, 4), ValueCommand(4, 1),
                         ValueCommand(12, 0x1234), ValueCommand(101, 101), ValueCommand(102, 0xFFFF),
                         ValueCommand(103, 0), ValueCommand(104, 0x0203), ValueCommand(116, 35),
                         ValueCommand(117, 0), kLeave}) {
    want.insert(want.end(), c.begin(), c.end());
  }
  EXPECT_EQ(store.Commands(), want);
}

TEST(SettingFileCommands, CutPositionSplitAndSwitchCharacters) {
  // catches: a backward cut sent as a huge forward one, a zero field giving
  // "1", a "leave unchanged" position overwritten
  const struct {
    int32_t cut;
    uint16_t forward, backward;
  } cuts[] = {{-3, 0, 3}, {5, 5, 0}, {0, 0, 0}, {4241, 4241, 0}, {-262, 0, 262}};
  for (const auto& c : cuts) {
    Store store;
    Put32(store.blocks[sf::kCutPositionBlock], 36, static_cast<uint32_t>(c.cut));
    const Bytes part = store.Commands();
    const Bytes tail(part.end() - 27, part.end());
    Bytes want = ValueCommand(116, c.forward);
    const Bytes back = ValueCommand(117, c.backward);
    want.insert(want.end(), back.begin(), back.end());
    want.insert(want.end(), kLeave.begin(), kLeave.end());
    EXPECT_EQ(tail, want) << c.cut;
  }
  Store zeros;
  const Bytes part = zeros.Commands();
  EXPECT_EQ(Bytes(part.begin(), part.begin() + 8), kEnter);
  const Bytes second(part.begin() + 8 + 15, part.begin() + 8 + 30);
  EXPECT_EQ(second, SwitchCommand(2, "22222002"));
}

TEST(SettingFileCommands, AMissingBlockStopsTheBuild) {
  // catches: a file written with a page's settings silently left out
  for (int32_t missing : {sf::kMemorySwitchBlock, sf::kCustomValueBlock, sf::kExtraValueBlock, sf::kCutPositionBlock}) {
    Store store;
    store.blocks.erase(missing);
    Bytes part = {0xAA};
    EXPECT_EQ(sf::BuildCommandPart(store.Reader(), part), sf::kCannotRead) << std::hex << missing;
    EXPECT_EQ(part, Bytes{0xAA}) << "nothing appended";
  }
  Bytes part;
  EXPECT_EQ(sf::BuildCommandPart(nullptr, part), sf::kCannotRead);
}

TEST(SettingFileHeader, FieldByField) {
  // catches: a field at the wrong offset, a CRC over the header, lengths
  // swapped, the kind of an absent logo
  Store store;
  const Bytes commands = store.Commands();
  const struct {
    sf::LogoKind kind;
    Bytes logo;
  } cases[] = {{sf::LogoKind::None, {}}, {sf::LogoKind::Graphics, Hex("1D284C0600306C")}, {sf::LogoKind::BitImage, Hex("1C71010203")}};
  for (const auto& c : cases) {
    const Bytes file = sf::BuildFile(Text(), c.kind, c.logo, commands);
    ASSERT_EQ(file.size(), 256 + c.logo.size() + commands.size());
    EXPECT_EQ(file[0] | file[1] << 8, 256);
    EXPECT_EQ(file[2], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[4]), 10), std::string("VX-R500\r\n\0", 10));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[36]), 3), std::string("\r\n\0", 3));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[68]), 19), std::string("12/09/2026 07:05\r\n\0", 19));
    EXPECT_EQ(file[120], static_cast<uint8_t>(c.kind));
    EXPECT_EQ(file[121], 1);
    EXPECT_EQ(Get32(file, 124), c.logo.size());
    EXPECT_EQ(Get32(file, 128), commands.size());
    EXPECT_EQ(Get32(file, 136), BitwiseCrc(Bytes(file.begin() + 256, file.end())));
    EXPECT_EQ(Bytes(file.begin() + 256, file.begin() + 256 + static_cast<long>(c.logo.size())), c.logo);
    EXPECT_EQ(Bytes(file.end() - static_cast<long>(commands.size()), file.end()), commands);
  }
  sf::HeaderText longName = Text();
  longName.deviceName = std::string(40, 'N');
  const Bytes file = sf::BuildFile(longName, sf::LogoKind::None, {}, commands);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[4]), 30), std::string(27, 'N') + std::string("\r\n\0", 3))
      << "cut to fit its field";
}

TEST(SettingFileCheck, ASoundFileAndWhatItSets) {
  // catches: a sender refusing what the writer wrote, or reading the
  // switches and values wrongly
  Store store;
  Put32(store.blocks[sf::kCutPositionBlock], 36, 35);
  Put32(store.blocks[sf::kMemorySwitchBlock], 64, 1);
  const Bytes logo = Hex("1D284C0200306C");
  for (const bool withLogo : {false, true}) {
    const Bytes file = sf::BuildFile(Text(), withLogo ? sf::LogoKind::Graphics : sf::LogoKind::None,
                                     withLogo ? logo : Bytes{}, store.Commands());
    sf::ParsedFile parsed;
    ASSERT_EQ(sf::CheckFile(file.data(), file.size(), &parsed), sf::Check::Ok);
    EXPECT_EQ(parsed.deviceName, "VX-R500");
    EXPECT_EQ(parsed.timeStamp, "12/09/2026 07:05");
    EXPECT_EQ(parsed.logoLength, withLogo ? logo.size() : 0u);
    EXPECT_EQ(parsed.commandsAt, 256 + parsed.logoLength);
    ASSERT_EQ(parsed.switches.size(), 4u);
    EXPECT_EQ(parsed.switches[0].number, 1);
    EXPECT_EQ(std::string(parsed.switches[0].characters.begin(), parsed.switches[0].characters.end()), "1020000" "2");
    ASSERT_EQ(parsed.values.size(), 9u);
    EXPECT_EQ(parsed.values[7].number, 116);
    EXPECT_EQ(parsed.values[7].value, 35);
  }
}

TEST(SettingFileCheck, EveryChangedByteOfTheDataPartAndEveryCutIsRefused) {
  // catches: a damaged or truncated file sent to printers
  Store store;
  const Bytes file = sf::BuildFile(Text(), sf::LogoKind::Graphics, Hex("1D284C0200306C"), store.Commands());
  for (std::size_t at = 256; at < file.size(); ++at) {
    Bytes damaged = file;
    damaged[at] ^= 0x01;
    EXPECT_NE(sf::CheckFile(damaged.data(), damaged.size(), nullptr), sf::Check::Ok) << at;
  }
  for (std::size_t size = 0; size < file.size(); size += 7) {
    EXPECT_NE(sf::CheckFile(file.data(), size, nullptr), sf::Check::Ok) << size;
  }
  Bytes longer = file;
  longer.push_back(0);
  EXPECT_EQ(sf::CheckFile(longer.data(), longer.size(), nullptr), sf::Check::LengthsDisagree);
}

TEST(SettingFileCheck, DamagedHeaders) {
  // catches: a header the writer never writes taken for a sound one
  Store store;
  const Bytes sound = sf::BuildFile(Text(), sf::LogoKind::None, {}, store.Commands());
  const auto changed = [&sound](std::size_t at, uint8_t value) {
    Bytes b = sound;
    b[at] = value;
    return b;
  };
  const auto withCrcAndLengths = [](Bytes b) {
    Put32(b, 136, BitwiseCrc(Bytes(b.begin() + 256, b.end())));
    return b;
  };
  const struct {
    const char* name;
    Bytes file;
    sf::Check want;
  } cases[] = {
      {"short", Bytes(sound.begin(), sound.begin() + 255), sf::Check::TooShort},
      {"header size", changed(0, 1), sf::Check::BadHeaderSize},
      {"version", changed(2, 2), sf::Check::BadVersion},
      {"unused byte", changed(200, 1), sf::Check::BadHeader},
      {"name line end", changed(4 + 8, 'x'), sf::Check::BadHeader},
      {"empty line", changed(36, 'x'), sf::Check::BadHeader},
      {"time stamp", changed(70, 'x'), sf::Check::BadHeader},
      {"logo kind without a logo", changed(120, 1), sf::Check::BadLogo},
      {"no commands flag", changed(121, 0), sf::Check::NoCommands},
      {"lengths", changed(128, sound[128] + 1), sf::Check::LengthsDisagree},
      {"crc", changed(136, sound[136] ^ 0x80), sf::Check::BadCrc},
      {"another command inside", withCrcAndLengths(changed(256 + 8 + 5, 0x07)), sf::Check::BadCommands},
      {"no leave", withCrcAndLengths(changed(sound.size() - 1, 0x00)), sf::Check::BadCommands},
  };
  for (const auto& c : cases) EXPECT_EQ(sf::CheckFile(c.file.data(), c.file.size(), nullptr), c.want) << c.name;
}
