// xcoinstVXR500's installation steps: served devices, requests, the port
// substitution and "PCS".

#include <functional>
#include <ostream>

#include "tests/coinstaller/PortQueueFixture.h"

namespace {

using namespace coinst_test;

// ---------------------------------------------------------------- served device

using fake::ServedCase;

class PortQueueServed : public PortQueue, public testing::WithParamInterface<ServedCase> {};

TEST_P(PortQueueServed, OnlyServedDevicesAreTouched) {
  const auto& c = GetParam();
  PSP_DEVINFO_DATA device = platform_.AddDevice(c.hardwareIds, c.compatibleIds);
  platform_.PutValue(kDriverKey, L"PCS", Dword(5));
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR)) << c.fault;
  EXPECT_EQ(Pcs(), c.served ? 0u : 5u) << c.fault;
  EXPECT_EQ(platform_.Count("StartThread"), c.served ? 1 : 0) << c.fault;
  if (!c.served) {
    EXPECT_EQ(platform_.Count("OpenKey"), 0) << c.fault;
  }
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 5u) << c.fault;
}

std::vector<ServedCase> ServedCases() {
  std::vector<ServedCase> cases = {
      {"served hardware id missed", MultiText({kServedId}), std::nullopt, true},
      {"served id only among the compatible ids missed", MultiText({L"USBPRINT\\Other"}),
       MultiText({L"USBPRINT\\Other2", L"USBPRINT\\1284_CID_OrvikVX02003C5E"}), true},
      {"unreadable hardware ids stop the search before the compatible ids", std::nullopt,
       MultiText({L"USBPRINT\\1284_CID_OrvikVX0200B94F"}), true},
      {"other device served", MultiText({L"USBPRINT\\OtherMaker"}), MultiText({L"GENERIC_PRINTER"}), false},
      {"unreadable id lists taken for a match", std::nullopt, std::nullopt, false},
      {"single text taken for an id list", Text(kServedId), std::nullopt, false},
      {"id in another case served", MultiText({L"USBPRINT\\orvikvx-r500e6d2"}), std::nullopt, false},
  };
  // Longer than the first buffer: the list is read again at its full size.
  std::vector<std::wstring> many(60, L"USBPRINT\\SomethingElseEntirely");
  fake::Value longList;
  longList.type = REG_MULTI_SZ;
  for (const auto& e : many) {
    auto part = Text(e);
    longList.bytes.insert(longList.bytes.end(), part.bytes.begin(), part.bytes.end());
  }
  auto last = Text(kServedId);
  longList.bytes.insert(longList.bytes.end(), last.bytes.begin(), last.bytes.end());
  longList.bytes.insert(longList.bytes.end(), {0, 0});
  cases.push_back({"id list longer than the first buffer cut or overrun", longList, std::nullopt, true});
  // Without its closing NULs: read no further than the property's size.
  auto open = Text(kServedId, REG_MULTI_SZ, false);
  cases.push_back({"unterminated id list read past its end", open, std::nullopt, true});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Installation, PortQueueServed, testing::ValuesIn(ServedCases()));

TEST_F(PortQueue, IdListThatKeepsGrowingIsGivenUpOn) {
  // catches: a size read in a loop without end, or a buffer too small for
  // what the second read copies
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  platform_.GrowOnEveryRead("HardwareIds", 600);
  platform_.PutValue(kDriverKey, L"PCS", Dword(5));
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("GetProperty HardwareIds"), 2);
  EXPECT_EQ(Pcs(), 5u);
}

TEST_F(PortQueue, NoDeviceIsNoServedDevice) {
  // catches: a null device element dereferenced
  platform_.PutValue(kDriverKey, L"PCS", Dword(5));
  COINSTALLER_CONTEXT_DATA context = {};
  EXPECT_EQ(Installer().Handle(DIF_INSTALLDEVICE, platform_.Set(), nullptr, &context), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 5u);
  EXPECT_EQ(platform_.Count("StartThread"), 0);
}

// ---------------------------------------------------------------- requests

TEST_F(PortQueue, EveryOtherRequestIsAnsweredAtOnceWithNothingDone) {
  // catches: work done, or a failure returned, for requests this library
  // does not handle
  PSP_DEVINFO_DATA device = ServedDevice();
  for (DI_FUNCTION request : std::initializer_list<DI_FUNCTION>{DIF_SELECTDEVICE, DIF_INSTALLDEVICEFILES, DIF_REMOVE, DIF_PROPERTYCHANGE,
                              DIF_REGISTER_COINSTALLERS, DIF_INSTALLINTERFACES, DIF_NEWDEVICEWIZARD_PREANALYZE,
                              DIF_NEWDEVICEWIZARD_POSTANALYZE, DIF_SELECTBESTCOMPATDRV, DIF_DESTROYPRIVATEDATA,
                              static_cast<DI_FUNCTION>(0x12345)}) {
    EXPECT_EQ(Call(request, device, FALSE), static_cast<DWORD>(NO_ERROR)) << request;
  }
  EXPECT_TRUE(platform_.Log().empty());
}

TEST_F(PortQueue, InstallWithoutContextDoesNothing) {
  // catches: a null context read, or a substitution asked for with no
  // second pass to undo it
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  EXPECT_EQ(Installer().Handle(DIF_INSTALLDEVICE, platform_.Set(), device, nullptr), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(PortName(device), L"USB001");
  EXPECT_TRUE(platform_.Log().empty());
}

TEST_F(PortQueue, ExceptionInsideAnswersWithTheDocumentedCode) {
  // catches: an exception crossing the export into the device installer
  // The runtime keeps what it sets up for the first exception of a process
  // for the process's life: that is not this run's to give back.
  try {
    throw std::bad_alloc();
  } catch (const std::bad_alloc&) {
  }
  baseline_ = gui::CResourceBaseline();
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  platform_.Fail("Throw:Query");
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(SecondPass(device, ERROR_INVALID_DATA), static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
}

// ---------------------------------------------------------------- port substitution

TEST_F(PortQueue, ExistingQueueLendsItsPortForTheInstallation) {
  // catches: the device not pointed at the existing queue's port, its own
  // port not put back, or a watcher started beside a substitution
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  EXPECT_EQ(FirstPass(device), kPostProcessing);
  EXPECT_EQ(PortName(device), L"VXPORT1");
  EXPECT_EQ(Pcs(), 0u);
  EXPECT_EQ(SecondPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(PortName(device), L"USB001");
  EXPECT_EQ(Pcs(), 0u);
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 5u);
  EXPECT_EQ(platform_.Count("StartThread"), 0);
  EXPECT_TRUE(platform_.HasPrinter(L"VX-R500 Receipt"));
}

TEST_F(PortQueue, SecondPassPassesTheInstallationsFailureOn) {
  // catches: a failed installation reported to the installer as a success
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  ASSERT_EQ(FirstPass(device), kPostProcessing);
  EXPECT_EQ(SecondPass(device, ERROR_FILE_NOT_FOUND), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(PortName(device), L"USB001");
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
}

struct PortNameCase {
  const char* fault;
  std::optional<fake::Value> portName;  // nothing: no value
  bool substituted;
  std::optional<std::wstring> after;  // text after the second pass
};

// Failures name the fault the case catches.
void PrintTo(const PortNameCase& c, std::ostream* os) { *os << c.fault; }

class PortQueuePortName : public PortQueue, public testing::WithParamInterface<PortNameCase> {};

TEST_P(PortQueuePortName, DevicePortComesBackAsItWas) {
  const auto& c = GetParam();
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  if (c.portName)
    platform_.PutValue(CFakePlatform::DeviceKey(device), L"PortName", *c.portName);
  else
    platform_.RemoveValue(CFakePlatform::DeviceKey(device), L"PortName");
  const auto before = platform_.GetValue(CFakePlatform::DeviceKey(device), L"PortName");
  EXPECT_EQ(FirstPass(device), c.substituted ? kPostProcessing : static_cast<DWORD>(NO_ERROR)) << c.fault;
  if (c.substituted) {
    EXPECT_EQ(PortName(device), L"VXPORT1") << c.fault;
    EXPECT_EQ(SecondPass(device), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(PortName(device), c.after) << c.fault;
  } else {
    // untouched, byte for byte, and the watcher takes over
    const auto now = platform_.GetValue(CFakePlatform::DeviceKey(device), L"PortName");
    EXPECT_EQ(now.has_value(), before.has_value()) << c.fault;
    if (now && before) {
      EXPECT_EQ(now->bytes, before->bytes) << c.fault;
    }
    EXPECT_EQ(platform_.Count("StartThread"), 1) << c.fault;
  }
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 5u) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Installation, PortQueuePortName,
    testing::Values(
        PortNameCase{"short port name lost", Text(L"USB001"), true, L"USB001"},
        PortNameCase{"port name longer than the first buffer cut or overrun", Text(std::wstring(300, L'L')), true,
                     std::wstring(300, L'L')},
        PortNameCase{"port name of exactly the first buffer cut", Text(std::wstring(129, L'E')), true,
                     std::wstring(129, L'E')},
        PortNameCase{"unterminated port name read past its value", Text(L"USB004", REG_SZ, false), true, L"USB004"},
        PortNameCase{"expandable port name written back as another type", Text(L"USB005", REG_EXPAND_SZ), true,
                     L"USB005"},
        PortNameCase{"empty port name taken for a failed read", Text(L""), true, L""},
        PortNameCase{"number taken for a port name and put back as text", Dword(7), false, std::nullopt},
        PortNameCase{"binary taken for a port name", Text(L"USB006", REG_BINARY), false, std::nullopt},
        PortNameCase{"missing port name substituted with nothing to restore", std::nullopt, false, std::nullopt}));

TEST_F(PortQueue, ExpandablePortNameKeepsItsType) {
  // catches: the restored value written with another type than it had
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  platform_.PutValue(CFakePlatform::DeviceKey(device), L"PortName", Text(L"%PORT%", REG_EXPAND_SZ));
  ASSERT_EQ(FirstPass(device), kPostProcessing);
  EXPECT_EQ(SecondPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.GetValue(CFakePlatform::DeviceKey(device), L"PortName")->type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
}

TEST_F(PortQueue, PortNameThatGrowsBetweenReadsIsGivenUpOn) {
  // catches: a second read into a buffer sized by the first, or reading
  // without end
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  platform_.PutValue(CFakePlatform::DeviceKey(device), L"PortName", Text(std::wstring(200, L'G')));
  platform_.GrowOnEveryRead("Query:PortName", 2);
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("Query PortName"), 2);
  EXPECT_EQ(platform_.Count("Set PortName"), 0);
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
}

struct NoSubstitutionCase {
  const char* fault;
  std::function<void(CFakePlatform&, PSP_DEVINFO_DATA)> arrange;
};

// Failures name the fault the case catches.
void PrintTo(const NoSubstitutionCase& c, std::ostream* os) { *os << c.fault; }

class PortQueueNoSubstitution : public PortQueue, public testing::WithParamInterface<NoSubstitutionCase> {};

TEST_P(PortQueueNoSubstitution, WatcherTakesOverAndNothingIsLeftOpen) {
  const auto& c = GetParam();
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  c.arrange(platform_, device);
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR)) << c.fault;
  EXPECT_EQ(PortName(device), L"USB001") << c.fault;
  EXPECT_EQ(platform_.Count("StartThread"), 1) << c.fault;
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(PortName(device), L"USB001") << c.fault;
  EXPECT_EQ(Pcs(), 5u) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Installation, PortQueueNoSubstitution,
    testing::Values(
        NoSubstitutionCase{"no selected driver matched some queue",
                           [](CFakePlatform& p, PSP_DEVINFO_DATA) { p.Fail("SelectedDriver"); }},
        NoSubstitutionCase{"queue of another driver lent its port",
                           [](CFakePlatform& p, PSP_DEVINFO_DATA d) { p.SelectDriver(d, L"Other Driver"); }},
        NoSubstitutionCase{"driver compared without case",
                           [](CFakePlatform& p, PSP_DEVINFO_DATA d) { p.SelectDriver(d, L"orvik vx-r500 receipt5"); }},
        NoSubstitutionCase{"spooler that cannot list queues taken for one",
                           [](CFakePlatform& p, PSP_DEVINFO_DATA) { p.Fail("EnumPrinters"); }},
        NoSubstitutionCase{"queue list that keeps growing read without end",
                           [](CFakePlatform& p, PSP_DEVINFO_DATA) { p.GrowOnEveryRead("EnumPrinters", 64); }},
        NoSubstitutionCase{"device key that cannot be opened used anyway",
                           [](CFakePlatform& p, PSP_DEVINFO_DATA) { p.Fail("OpenDeviceKey"); }},
        NoSubstitutionCase{"unreadable port name overwritten",
                           [](CFakePlatform& p, PSP_DEVINFO_DATA) { p.Fail("Query:PortName"); }},
        NoSubstitutionCase{"failed write reported as a substitution, key left open",
                           [](CFakePlatform& p, PSP_DEVINFO_DATA) { p.Fail("Set:PortName"); }}));

TEST_F(PortQueue, QueuePortTooLongForTheDeviceIsPassedOver) {
  // catches: a port of 260 characters or more written over a device port
  // that holds at most 259
  PSP_DEVINFO_DATA device = ServedDevice();
  platform_.SelectDriver(device, kDriver);
  platform_.AddPrinter({L"Long", kDriver, std::wstring(5000, L'P')});
  platform_.AddPrinter({L"Fits", kDriver, std::wstring(259, L'Q')});
  EXPECT_EQ(FirstPass(device), kPostProcessing);
  EXPECT_EQ(PortName(device), std::wstring(259, L'Q'));
  EXPECT_EQ(SecondPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(PortName(device), L"USB001");
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
}

TEST_F(PortQueue, FirstFittingQueueGivesThePort) {
  // catches: a later queue's port taken, or a queue of another driver
  PSP_DEVINFO_DATA device = ServedDevice();
  platform_.SelectDriver(device, kDriver);
  platform_.AddPrinter({L"Other", L"Other Driver", L"VXPORT7"});
  platform_.AddPrinter({L"First", kDriver, L"VXPORT2"});
  platform_.AddPrinter({L"Second", kDriver, L"VXPORT3"});
  EXPECT_EQ(FirstPass(device), kPostProcessing);
  EXPECT_EQ(PortName(device), L"VXPORT2");
  EXPECT_EQ(SecondPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
}

TEST_F(PortQueue, DriverDescriptionFillingItsWholeArrayIsReadToItsEndOnly) {
  // catches: a description without terminator read past SP_DRVINFO_DATA
  PSP_DEVINFO_DATA device = ServedDevice();
  const std::wstring longName(LINE_LEN, L'D');
  platform_.SelectDriver(device, longName + L"beyond");
  platform_.AddPrinter({L"Long driver", longName, L"VXPORT9"});
  EXPECT_EQ(FirstPass(device), kPostProcessing);
  EXPECT_EQ(PortName(device), L"VXPORT9");
  EXPECT_EQ(SecondPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
}

TEST_F(PortQueue, WizardEndPutsThePortBackWhenNoSecondPassCame) {
  // catches: a host that never runs the second pass leaving the device on
  // the borrowed port and the device key open for good
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  ASSERT_EQ(FirstPass(device), kPostProcessing);
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(PortName(device), L"USB001");
  EXPECT_EQ(Pcs(), 5u);
}

TEST_F(PortQueue, NewFirstPassUndoesAnUnfinishedSubstitutionFirst) {
  // catches: the borrowed port read back as the device's own and kept as
  // "old", so the device never gets its real port back
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  ASSERT_EQ(FirstPass(device), kPostProcessing);
  ASSERT_EQ(FirstPass(device), kPostProcessing);
  EXPECT_EQ(PortName(device), L"VXPORT1");
  EXPECT_EQ(SecondPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(PortName(device), L"USB001");
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 5u);
}

TEST_F(PortQueue, DestroyingTheDeviceSetPutsBackWhatIsPending) {
  // catches: a host that drops the installation without the second pass or
  // the wizard's end leaving the device on the borrowed port and "PCS" at 0
  // for good (the library's unload is no place for registry writes)
  PSP_DEVINFO_DATA device = DeviceWithExistingQueue();
  ASSERT_EQ(FirstPass(device), kPostProcessing);
  EXPECT_EQ(Call(DIF_DESTROYPRIVATEDATA, device, TRUE), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(PortName(device), L"VXPORT1");
  EXPECT_EQ(Call(DIF_DESTROYPRIVATEDATA, device, FALSE), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(PortName(device), L"USB001");
  EXPECT_EQ(Pcs(), 5u);
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("Set PCS"), 2);
}

// ---------------------------------------------------------------- "PCS"

struct PcsCase {
  const char* fault;
  std::optional<fake::Value> pcs;  // nothing: no value
  bool driverKey;
  std::optional<DWORD> during;
  int writes;
};

// Failures name the fault the case catches.
void PrintTo(const PcsCase& c, std::ostream* os) { *os << c.fault; }

class PortQueuePcs : public PortQueue, public testing::WithParamInterface<PcsCase> {};

TEST_P(PortQueuePcs, ClearedDuringAndRestoredAfterOnlyWhenSet) {
  const auto& c = GetParam();
  PSP_DEVINFO_DATA device = platform_.AddDevice(MultiText({kServedId}));
  if (c.driverKey) platform_.CreateKey(kDriverKey);
  if (c.pcs) platform_.PutValue(kDriverKey, L"PCS", *c.pcs);
  const auto before = platform_.GetValue(kDriverKey, L"PCS");
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), c.during) << c.fault;
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("Set PCS"), c.writes) << c.fault;
  const auto after = platform_.GetValue(kDriverKey, L"PCS");
  ASSERT_EQ(after.has_value(), before.has_value()) << c.fault;
  if (after) {
    EXPECT_EQ(after->type, before->type) << c.fault;
    EXPECT_EQ(after->bytes, before->bytes) << c.fault;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Installation, PortQueuePcs,
    testing::Values(PcsCase{"PCS of 5 not cleared or not restored", Dword(5), true, 0u, 2},
                    PcsCase{"large PCS cut on its way back", Dword(0xFFFFFFFF), true, 0u, 2},
                    PcsCase{"PCS of 0 written", Dword(0), true, 0u, 0},
                    PcsCase{"missing PCS written", std::nullopt, true, std::nullopt, 0},
                    PcsCase{"missing driver key created", std::nullopt, false, std::nullopt, 0},
                    PcsCase{"PCS as text taken for a number", Text(L"5"), true, std::nullopt, 0},
                    PcsCase{"PCS as binary taken for a number", Text(L"\x0005\x0000", REG_BINARY, false), true,
                            std::nullopt, 0},
                    PcsCase{"eight-byte PCS cut to a number", [] {
                              auto v = Dword(5);
                              v.bytes.resize(8);
                              return v;
                            }(),
                            true, std::nullopt, 0}));

TEST_F(PortQueue, UnreadablePcsIsLeftAlone) {
  // catches: a value that cannot be read cleared with nothing to restore
  PSP_DEVINFO_DATA device = ServedDevice();
  platform_.Fail("OpenKey:read");
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("Set PCS"), 0);
  EXPECT_EQ(Pcs(), 5u);
}

TEST_F(PortQueue, PcsThatCannotBeWrittenBackIsKeptForTheNextWizardEnd) {
  // catches: the saved value dropped when the restore failed
  PSP_DEVINFO_DATA device = ServedDevice();
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 0u);
  platform_.Fail("OpenKey:write");
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 0u);
  platform_.Heal("OpenKey:write");
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 5u);
}

TEST_F(PortQueue, SecondInstallationBeforeTheWizardEndKeepsTheFirstValue) {
  // catches: the 0 written by the first pass saved as the value to restore
  PSP_DEVINFO_DATA first = ServedDevice();
  PSP_DEVINFO_DATA second = platform_.AddDevice(MultiText({L"USBPRINT\\1284_CID_OrvikVX0200B94F"}));
  EXPECT_EQ(FirstPass(first), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(FirstPass(second), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 0u);
  EXPECT_EQ(Finish(second), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 5u);
  EXPECT_EQ(platform_.Count("StartThread"), 1);  // one watcher serves both
}

TEST_F(PortQueue, WizardEndWithoutAnInstallationWritesNothing) {
  // catches: a value restored twice, over what the user set since
  PSP_DEVINFO_DATA device = ServedDevice();
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  platform_.PutValue(kDriverKey, L"PCS", Dword(7));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Pcs(), 7u);
  EXPECT_EQ(platform_.Count("Set PCS"), 2);
}

}  // namespace
