#include "printerinfo/PrnInfoLibrary.h"

#include <gtest/gtest.h>

#include <string>

#include "connection/VXC.h"
#include "tests/support/DoubleLibrary.h"

namespace {

using gui::CDllFolder;

// The double keeps its answers while it stays loaded: hold it for the test.
class PrnInfoDouble : public gui::CDoubleLibrary {
public:
  PrnInfoDouble() : CDoubleLibrary(L"PrnInfoBroker.dll", "PrnInfoDouble") {}
};

TEST(PrnInfoOneShot, DeviceIdRunsInitializeQueryFinalize) {
  CDllFolder folder(L"vxcomm_complete");
  PrnInfoDouble lib;
  ASSERT_TRUE(lib.Loaded());
  lib.Set("deviceId", 0x31);
  VXC comm;
  EXPECT_EQ(ReadPrinterDeviceId(&comm), std::optional<int32_t>(0x31));
  EXPECT_EQ(lib.Log(), "Initialize(comm);GetDeviceID;Finalize;");
}

TEST(PrnInfoOneShot, FailuresAnswerNothing) {
  CDllFolder folder(L"vxcomm_complete");
  PrnInfoDouble lib;
  ASSERT_TRUE(lib.Loaded());
  VXC comm;

  lib.Set("Initialize", 0);  // zero handle: no query, no Finalize
  EXPECT_EQ(ReadPrinterDeviceId(&comm), std::nullopt);
  EXPECT_EQ(lib.Log(), "Initialize(comm);");

  lib.Set("Initialize", 7);
  lib.Set("GetDeviceID", 0);  // query fails: still finalised
  EXPECT_EQ(ReadPrinterDeviceId(&comm), std::nullopt);
  EXPECT_EQ(lib.Log(), "Initialize(comm);Initialize(comm);GetDeviceID;Finalize;");
}

TEST(PrnInfoOneShot, ItemValues) {
  CDllFolder folder(L"vxcomm_complete");
  PrnInfoDouble lib;
  ASSERT_TRUE(lib.Loaded());
  VXC comm;
  const struct {
    int64_t value;  // -1: the library does not answer the item
    std::optional<int32_t> read;
    int32_t variant;
  } cases[] = {{1, 1, 24}, {0, 0, 9}, {2, 2, -1}, {-1, std::nullopt, -1}};
  for (const auto& c : cases) {
    lib.Set("item117", c.value);
    const auto read = ReadPrinterInfoItem(&comm, kPrnInfoItemModelVariant);
    EXPECT_EQ(read, c.read) << c.value;
    EXPECT_EQ(ClassifyModelVariant(read), c.variant) << c.value;
  }
}

TEST(PrnInfoOneShot, UnterminatedAnswerIsCutNotOverrun) {
  CDllFolder folder(L"vxcomm_complete");
  PrnInfoDouble lib;
  ASSERT_TRUE(lib.Loaded());
  lib.Set("item114", 1);
  lib.Set("fillWholeBuffer", 1);
  VXC comm;
  // catches: the answer read up to a terminator the library never wrote
  // (the last digit 9 and whatever lies beyond the buffer)
  EXPECT_EQ(ReadPrinterInfoItem(&comm, kPrnInfoItemCutPosition), std::optional<int32_t>(0));
}

TEST(PrnInfoOneShot, MissingQueryFunctionAnswersUnknownWithoutInitialize) {
  CDllFolder folder(L"prninfo_incomplete");
  PrnInfoDouble lib;
  ASSERT_TRUE(lib.Loaded());
  VXC comm;
  EXPECT_EQ(ReadPrinterInfoItem(&comm, kPrnInfoItemCutPosition), std::nullopt);
  EXPECT_EQ(lib.Log(), "");
  // The device id needs only GetDeviceID.
  EXPECT_EQ(ReadPrinterDeviceId(&comm), std::optional<int32_t>(0x25));

  CPrnInfoLibrary held(L"PrnInfoBroker.dll");
  EXPECT_TRUE(held.HasHeldFunctions());  // GetPrinterInfo is the one it may lack
  EXPECT_EQ(held.getPrinterInfo, nullptr);
}

TEST(PrnInfoOneShot, MissingLibraryAnswersUnknown) {
  CDllFolder folder(L"no_such_folder");
  EXPECT_EQ(ReadPrinterDeviceId(nullptr), std::nullopt);
  EXPECT_EQ(ReadPrinterInfoItem(nullptr, kPrnInfoItemCutPosition), std::nullopt);
  CPrnInfoLibrary held(L"PrnInfoBroker.dll");
  EXPECT_FALSE(held.IsLoaded());
  EXPECT_FALSE(held.HasHeldFunctions());
}

}  // namespace
