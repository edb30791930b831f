#include "coinstaller/CoInstallerRules.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using namespace coinst;

// UTF-16LE bytes of a text, as the platform hands it over; `terminated`
// adds one NUL.
std::vector<unsigned char> Utf16(std::wstring_view text, bool terminated = true) {
  std::vector<unsigned char> bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<unsigned char>(c & 0xFF));
    bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
  }
  if (terminated) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

// A multi-string of the entries, each NUL-ended, with the closing NUL.
std::vector<unsigned char> MultiSz(std::initializer_list<std::wstring_view> entries, bool closed = true) {
  std::vector<unsigned char> bytes;
  for (auto entry : entries) {
    auto part = Utf16(entry);
    bytes.insert(bytes.end(), part.begin(), part.end());
  }
  if (closed) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

struct TextCase {
  const char* fault;
  std::vector<unsigned char> bytes;
  std::wstring expected;
};

// Failures name the fault the case catches.
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.fault; }

class Utf16Text : public testing::TestWithParam<TextCase> {};

TEST_P(Utf16Text, StopsAtTheFirstNulOrTheBufferEnd) {
  const auto& c = GetParam();
  // A copy of exactly the given size, so ASan sees any read beyond it.
  std::vector<unsigned char> exact(c.bytes);
  EXPECT_EQ(TextFromUtf16(exact.empty() ? nullptr : exact.data(), exact.size()), c.expected) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Utf16Text,
    testing::Values(TextCase{"terminated text loses its last character", Utf16(L"USB001"), L"USB001"},
                    TextCase{"unterminated text read past the buffer", Utf16(L"USB001", false), L"USB001"},
                    TextCase{"odd byte count read half a character past the end",
                             [] {
                               auto b = Utf16(L"LPT1", false);
                               b.push_back('X');
                               return b;
                             }(),
                             L"LPT1"},
                    TextCase{"text after an inner NUL taken as part of the name",
                             [] {
                               auto b = Utf16(L"COM1");
                               auto tail = Utf16(L"junk");
                               b.insert(b.end(), tail.begin(), tail.end());
                               return b;
                             }(),
                             L"COM1"},
                    TextCase{"empty buffer read at all", {}, L""},
                    TextCase{"characters above 0xFF mangled", Utf16(L"\u30DD\u30FC\u30C8"), L"\u30DD\u30FC\u30C8"}));

TEST(Utf16Text, FixedArrayWithoutTerminatorIsReadToItsEndOnly) {
  // catches: a driver description that fills its whole array read past it
  wchar_t array[4] = {L'A', L'B', L'C', L'D'};
  EXPECT_EQ(TextFromUtf16(array, std::size(array)), L"ABCD");
  EXPECT_EQ(TextFromUtf16(static_cast<const wchar_t*>(nullptr), 4), L"");
}

struct ListCase {
  const char* fault;
  uint32_t type;
  std::vector<unsigned char> bytes;
  bool served;
};

// Failures name the fault the case catches.
void PrintTo(const ListCase& c, std::ostream* os) { *os << c.fault; }

class ServedIdList : public testing::TestWithParam<ListCase> {};

TEST_P(ServedIdList, MatchesOnlyWholeServedEntries) {
  const auto& c = GetParam();
  std::vector<unsigned char> exact(c.bytes);
  EXPECT_EQ(ListHasServedId(c.type, exact.empty() ? nullptr : exact.data(), exact.size()), c.served) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ServedIdList,
    testing::Values(
        ListCase{"first served id not recognised", kRegMultiSz, MultiSz({L"USBPRINT\\1284_CID_OrvikVX0200B94F"}), true},
        ListCase{"served id behind another entry not found", kRegMultiSz,
                 MultiSz({L"USBPRINT\\Other1234", L"USBPRINT\\ORVIKVX-R500E6D2"}), true},
        ListCase{"third served id missing from the list", kRegMultiSz, MultiSz({L"USBPRINT\\1284_CID_OrvikVX02003C5E"}),
                 true},
        ListCase{"id with a slash cut at the slash", kRegMultiSz, MultiSz({L"USBPRINT\\ORVIKVX-R500-S/C7A1B"}), true},
        ListCase{"comparison ignores case", kRegMultiSz, MultiSz({L"usbprint\\orvikvx-r500e6d2"}), false},
        ListCase{"prefix of a served id taken for it", kRegMultiSz, MultiSz({L"USBPRINT\\ORVIKVX-R500"}), false},
        ListCase{"served id with a suffix taken for it", kRegMultiSz, MultiSz({L"USBPRINT\\ORVIKVX-R500E6D2X"}), false},
        ListCase{"entries after the empty one still searched", kRegMultiSz,
                 [] {
                   auto b = MultiSz({L"A"});
                   auto tail = MultiSz({L"USBPRINT\\ORVIKVX-R500E6D2"});
                   b.insert(b.end(), tail.begin(), tail.end());
                   return b;
                 }(),
                 false},
        ListCase{"list without its closing NUL read past the buffer", kRegMultiSz,
                 MultiSz({L"X", L"USBPRINT\\ORVIKVX-R500E6D2"}, false), true},
        ListCase{"last entry cut without any NUL read past the buffer", kRegMultiSz,
                 Utf16(L"USBPRINT\\ORVIKVX-R500E6D2", false), true},
        ListCase{"entry cut short taken for the whole id", kRegMultiSz, Utf16(L"USBPRINT\\ORVIKVX-R5", false), false},
        ListCase{"a single text (REG_SZ) taken for an id list", kRegSz, Utf16(L"USBPRINT\\ORVIKVX-R500E6D2"), false},
        ListCase{"binary data taken for an id list", kRegBinary, MultiSz({L"USBPRINT\\ORVIKVX-R500E6D2"}), false},
        ListCase{"empty list matched", kRegMultiSz, {}, false}));

TEST(MultiString, EntriesComeBackInOrderUpToTheEmptyOne) {
  // catches: entries merged, lost or read beyond the closing NUL
  auto bytes = MultiSz({L"A1", L"B22", L"C333"});
  auto more = MultiSz({L"after"});
  bytes.insert(bytes.end(), more.begin(), more.end());
  EXPECT_EQ(MultiStringEntries(bytes.data(), bytes.size()), (std::vector<std::wstring>{L"A1", L"B22", L"C333"}));
  EXPECT_TRUE(MultiStringEntries(nullptr, 10).empty());
}

struct ValueCase {
  const char* fault;
  uint32_t type;
  std::vector<unsigned char> bytes;
  std::optional<std::wstring> text;
  std::optional<uint32_t> dword;
};

// Failures name the fault the case catches.
void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.fault; }

class RegistryValue : public testing::TestWithParam<ValueCase> {};

TEST_P(RegistryValue, IsReadOnlyAsTheTypeItClaims) {
  const auto& c = GetParam();
  std::vector<unsigned char> exact(c.bytes);
  const void* data = exact.empty() ? nullptr : exact.data();
  EXPECT_EQ(RegistryText(c.type, data, exact.size()), c.text) << c.fault;
  EXPECT_EQ(RegistryDword(c.type, data, exact.size()), c.dword) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RegistryValue,
    testing::Values(
        ValueCase{"port name text not read", kRegSz, Utf16(L"USB001"), L"USB001", std::nullopt},
        ValueCase{"expandable text refused", kRegExpandSz, Utf16(L"USB002"), L"USB002", std::nullopt},
        ValueCase{"unterminated port name read past the value", kRegSz, Utf16(L"USB003", false), L"USB003",
                  std::nullopt},
        ValueCase{"number taken for a port name", kRegDword, {5, 0, 0, 0}, std::nullopt, 5u},
        ValueCase{"binary taken for a port name or a number", kRegBinary, {5, 0, 0, 0}, std::nullopt, std::nullopt},
        ValueCase{"short number read past its two bytes", kRegDword, {5, 0}, std::nullopt, std::nullopt},
        ValueCase{"eight-byte value cut to a number", kRegDword, {5, 0, 0, 0, 1, 0, 0, 0}, std::nullopt, std::nullopt},
        ValueCase{"high bytes of the number dropped", kRegDword, {0x78, 0x56, 0x34, 0x12}, std::nullopt, 0x12345678u},
        ValueCase{"text taken for a number", kRegSz, Utf16(L"5"), L"5", std::nullopt},
        ValueCase{"empty text refused", kRegSz, Utf16(L""), L"", std::nullopt}));

TEST(MakerPort, OnlyTheMakersPrefixCounts) {
  // catches: a USB or renamed port taken for the maker's, which would keep
  // a duplicate queue alive
  struct {
    const wchar_t* port;
    bool maker;
  } cases[] = {{L"VXPORT1", true}, {L"VXPORT", true}, {L"VXPORT12:", true}, {L"USB001", false},
               {L"VXPOR", false},  {L"vxport1", false}, {L"", false},      {L" VXPORT1", false}};
  for (const auto& c : cases) EXPECT_EQ(IsMakerPort(c.port), c.maker) << std::string(c.port, c.port + wcslen(c.port));
}

struct QueueCase {
  const char* fault;
  std::vector<QueueInfo> queues;
  std::wstring description;
  std::optional<std::wstring> port;
};

// Failures name the fault the case catches.
void PrintTo(const QueueCase& c, std::ostream* os) { *os << c.fault; }

class ExistingQueue : public testing::TestWithParam<QueueCase> {};

TEST_P(ExistingQueue, GivesThePortOfTheFirstFittingQueue) {
  const auto& c = GetParam();
  EXPECT_EQ(PortOfExistingQueue(c.queues, c.description), c.port) << c.fault;
}

const std::wstring kDriver = L"ORVIK VX-R500 Receipt5";

INSTANTIATE_TEST_SUITE_P(
    Rules, ExistingQueue,
    testing::Values(
        QueueCase{"matching queue not found", {{L"Q", kDriver, L"VXPORT1"}}, kDriver, L"VXPORT1"},
        QueueCase{"later queue preferred over the first", {{L"A", kDriver, L"VXPORT1"}, {L"B", kDriver, L"VXPORT2"}},
                  kDriver, L"VXPORT1"},
        QueueCase{"queue of another driver taken", {{L"A", L"Other", L"VXPORT1"}, {L"B", kDriver, L"USB001"}}, kDriver,
                  L"USB001"},
        QueueCase{"driver compared without case", {{L"A", L"orvik vx-r500 receipt5", L"VXPORT1"}}, kDriver,
                  std::nullopt},
        QueueCase{"port of 259 characters refused", {{L"A", kDriver, std::wstring(259, L'P')}}, kDriver,
                  std::wstring(259, L'P')},
        QueueCase{"port of 260 characters overruns the device's buffer",
                  {{L"A", kDriver, std::wstring(260, L'P')}, {L"B", kDriver, L"VXPORT3"}}, kDriver, L"VXPORT3"},
        QueueCase{"no driver selected matched a queue", {{L"A", L"", L"VXPORT1"}}, L"", std::nullopt},
        QueueCase{"empty spooler gave a port", {}, kDriver, std::nullopt}));

TEST(DuplicateQueue, OnlyServedDriverOffTheMakersPortIsADuplicate) {
  // catches: deleting the maker's own queue, or another model's queue
  EXPECT_TRUE(IsDuplicateQueue(kDriver, L"USB001"));
  EXPECT_TRUE(IsDuplicateQueue(kDriver, L""));
  EXPECT_FALSE(IsDuplicateQueue(kDriver, L"VXPORT1"));
  EXPECT_FALSE(IsDuplicateQueue(L"Other Driver", L"USB001"));
  EXPECT_FALSE(IsDuplicateQueue(L"ORVIK VX-R500 Receipt", L"USB001"));
  EXPECT_TRUE(IsServedQueueDriver(kDriver));
  EXPECT_FALSE(IsServedQueueDriver(L"orvik vx-r500 receipt5"));
}

}  // namespace
