// xcoinstVXR500's queue watcher: what it deletes, what it leaves, and that
// it always ends, with nothing left open, whatever the spooler does.

#include <functional>
#include <ostream>

#include "tests/coinstaller/PortQueueFixture.h"
#include "tests/support/GuiDriver.h"

namespace {

using namespace coinst_test;
using fake::NotifyEntry;

class QueueWatcher : public PortQueue {
protected:
  // A served device with no queue of its own yet: the first pass starts the
  // watcher, and the test waits until it listens.
  PSP_DEVINFO_DATA StartWatching(coinst::PortQueueTimings timings = Quick()) {
    Installer(timings);
    PSP_DEVINFO_DATA device = ServedDevice();
    platform_.SelectDriver(device, kDriver);
    const int started = platform_.Count("StartThread");
    EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(platform_.Count("StartThread"), started + 1);
    return device;
  }
  bool Listening() { return platform_.WaitForWatcher(5000); }
  DWORD TimedFinish(PSP_DEVINFO_DATA device, ULONGLONG* elapsedMs) {
    const ULONGLONG start = GetTickCount64();
    const DWORD result = Finish(device);
    *elapsedMs = GetTickCount64() - start;
    return result;
  }
};

// ---------------------------------------------------------------- added queues

struct AddedCase {
  const char* fault;
  std::vector<Printer> added;
  std::vector<std::wstring> deleted;
  std::vector<std::wstring> kept;
  bool stopsAtTheFirst = false;  // later changes are never fetched
};

// Failures name the fault the case catches.
void PrintTo(const AddedCase& c, std::ostream* os) { *os << c.fault; }

class QueueWatcherAdded : public QueueWatcher, public testing::WithParamInterface<AddedCase> {};

TEST_P(QueueWatcherAdded, OnlyThePlugAndPlayDuplicateIsDeleted) {
  const auto& c = GetParam();
  PSP_DEVINFO_DATA device = StartWatching();
  ASSERT_TRUE(Listening());
  for (const auto& printer : c.added) platform_.AddPrinterAndNotify(printer);
  if (!c.stopsAtTheFirst) {
    ASSERT_TRUE(platform_.WaitUntilChangesHandled(5000));
  }
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  for (const auto& name : c.deleted) {
    EXPECT_FALSE(platform_.HasPrinter(name)) << c.fault;
  }
  for (const auto& name : c.kept) {
    EXPECT_TRUE(platform_.HasPrinter(name)) << c.fault;
  }
  EXPECT_EQ(platform_.Count("DeletePrinter"), static_cast<int>(c.deleted.size())) << c.fault;
  EXPECT_EQ(Pcs(), 5u) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Installation, QueueWatcherAdded,
    testing::Values(
        AddedCase{"duplicate on a USB port left beside the maker's queue", {{L"Dup", kDriver, L"USB001"}}, {L"Dup"}, {}},
        AddedCase{"queue on the maker's port deleted", {{L"Maker", kDriver, L"VXPORT1"}}, {}, {L"Maker"}},
        AddedCase{"queue of another driver deleted", {{L"Other", L"Other Driver", L"USB002"}}, {}, {L"Other"}},
        AddedCase{"watcher gives up after a queue on the maker's port",
                  {{L"Maker", kDriver, L"VXPORT1"}, {L"Dup", kDriver, L"USB003"}},
                  {L"Dup"},
                  {L"Maker"}},
        AddedCase{"very long queue name cut or overrun", {{std::wstring(5000, L'N'), kDriver, L"USB004"}},
                  {std::wstring(5000, L'N')}, {}},
        AddedCase{"port of more than 260 characters overruns the port buffer",
                  {{L"Wide", kDriver, std::wstring(4000, L'U')}}, {L"Wide"}, {}},
        AddedCase{"watch goes on after its find",
                  {{L"Dup1", kDriver, L"USB005"}, {L"Dup2", kDriver, L"USB006"}},
                  {L"Dup1"},
                  {L"Dup2"},
                  true}));

TEST_F(QueueWatcher, DuplicateIsReadWithUseAccessAndDeletedWithFullAccess) {
  // catches: the queue deleted through a handle without the right to, or
  // the watcher asking the spooler for the wrong changes
  PSP_DEVINFO_DATA device = StartWatching();
  ASSERT_TRUE(Listening());
  platform_.AddPrinterAndNotify({L"Dup", kDriver, L"USB001"});
  ASSERT_TRUE(platform_.WaitUntilChangesHandled(5000));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_TRUE(platform_.Logged("FindFirst 7777FFFF"));
  EXPECT_TRUE(platform_.Logged("OpenPrinter server 0"));
  EXPECT_TRUE(platform_.Logged("OpenPrinter Dup 8"));
  EXPECT_TRUE(platform_.Logged("OpenPrinter Dup F000C"));
  EXPECT_TRUE(platform_.Logged("DeletePrinter Dup"));
}

TEST_F(QueueWatcher, QueueOfAnotherDriverIsNotEvenOpened) {
  // catches: every new queue on the machine opened by the watcher
  PSP_DEVINFO_DATA device = StartWatching();
  ASSERT_TRUE(Listening());
  platform_.AddPrinterAndNotify({L"Office", L"Office Laser", L"USB001"});
  ASSERT_TRUE(platform_.WaitUntilChangesHandled(5000));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("OpenPrinter Office"), 0);
}

// ---------------------------------------------------------------- change records

struct RecordCase {
  const char* fault;
  DWORD what;
  std::optional<std::vector<NotifyEntry>> entries;
  std::vector<std::wstring> deleted;
};

// Failures name the fault the case catches.
void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.fault; }

class QueueWatcherRecord : public QueueWatcher, public testing::WithParamInterface<RecordCase> {};

TEST_P(QueueWatcherRecord, OnlyAnAddedServedQueueCounts) {
  const auto& c = GetParam();
  PSP_DEVINFO_DATA device = StartWatching();
  platform_.AddPrinter({L"Dup", kDriver, L"USB001"});
  platform_.AddPrinter({L"Decoy", kDriver, L"USB002"});
  ASSERT_TRUE(Listening());
  platform_.Notify(c.what, c.entries);
  ASSERT_TRUE(platform_.WaitUntilChangesHandled(5000));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  for (const auto& name : {L"Dup", L"Decoy"}) {
    const bool deleted = std::find(c.deleted.begin(), c.deleted.end(), name) != c.deleted.end();
    EXPECT_EQ(platform_.HasPrinter(name), !deleted) << c.fault << " / " << fake::Narrow(name);
  }
}

constexpr WORD kName = PRINTER_NOTIFY_FIELD_PRINTER_NAME;
constexpr WORD kDriverField = PRINTER_NOTIFY_FIELD_DRIVER_NAME;

INSTANTIATE_TEST_SUITE_P(
    Installation, QueueWatcherRecord,
    testing::Values(
        RecordCase{"added queue missed",
                   PRINTER_CHANGE_ADD_PRINTER,
                   std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, kName, L"Dup"}, {PRINTER_NOTIFY_TYPE, kDriverField, kDriver}},
                   {L"Dup"}},
        RecordCase{"added queue among other changes missed",
                   PRINTER_CHANGE_ADD_PRINTER | PRINTER_CHANGE_SET_PRINTER | PRINTER_CHANGE_ADD_JOB,
                   std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, kName, L"Dup"}, {PRINTER_NOTIFY_TYPE, kDriverField, kDriver}},
                   {L"Dup"}},
        RecordCase{"changed queue taken for an added one",
                   PRINTER_CHANGE_SET_PRINTER,
                   std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, kName, L"Dup"}, {PRINTER_NOTIFY_TYPE, kDriverField, kDriver}},
                   {}},
        RecordCase{"change without a record dereferenced", PRINTER_CHANGE_ADD_PRINTER, std::nullopt, {}},
        RecordCase{"record with no entries read", PRINTER_CHANGE_ADD_PRINTER, std::vector<NotifyEntry>{}, {}},
        RecordCase{"record without a driver name deleted a queue",
                   PRINTER_CHANGE_ADD_PRINTER,
                   std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, kName, L"Dup"}},
                   {}},
        RecordCase{"record without a printer name deleted a queue",
                   PRINTER_CHANGE_ADD_PRINTER,
                   std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, kDriverField, kDriver}},
                   {}},
        RecordCase{"first of several names taken instead of the last",
                   PRINTER_CHANGE_ADD_PRINTER,
                   std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, kName, L"Decoy"},
                                            {PRINTER_NOTIFY_TYPE, kDriverField, L"Other Driver"},
                                            {PRINTER_NOTIFY_TYPE, kName, L"Dup"},
                                            {PRINTER_NOTIFY_TYPE, kDriverField, kDriver}},
                   {L"Dup"}},
        RecordCase{"a job's fields taken for the printer's",
                   PRINTER_CHANGE_ADD_PRINTER,
                   std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, kName, L"Dup"},
                                            {PRINTER_NOTIFY_TYPE, kDriverField, kDriver},
                                            {JOB_NOTIFY_TYPE, kName, L"Decoy"}},
                   {L"Dup"}},
        RecordCase{"unterminated name read past its buffer",
                   PRINTER_CHANGE_ADD_PRINTER,
                   std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, kName, L"Dup", false},
                                            {PRINTER_NOTIFY_TYPE, kDriverField, kDriver, false}},
                   {L"Dup"}},
        RecordCase{"empty name opened as a queue",
                   PRINTER_CHANGE_ADD_PRINTER,
                   std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, kName, L""}, {PRINTER_NOTIFY_TYPE, kDriverField, kDriver}},
                   {}},
        RecordCase{"queue gone before it was read taken for a duplicate",
                   PRINTER_CHANGE_ADD_PRINTER,
                   std::vector<NotifyEntry>{{PRINTER_NOTIFY_TYPE, kName, L"Gone"}, {PRINTER_NOTIFY_TYPE, kDriverField, kDriver},
                                            {PRINTER_NOTIFY_TYPE, kName, L"Gone"}},
                   {}}));

// ---------------------------------------------------------------- spooler failures

struct FailureCase {
  const char* fault;
  std::function<void(CFakePlatform&)> arrange;
  bool deleted;
};

// Failures name the fault the case catches.
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.fault; }

class QueueWatcherFailure : public QueueWatcher, public testing::WithParamInterface<FailureCase> {};

TEST_P(QueueWatcherFailure, FailingSpoolerCallsDeleteNothingAndLeakNothing) {
  const auto& c = GetParam();
  PSP_DEVINFO_DATA device = StartWatching();
  c.arrange(platform_);
  ASSERT_TRUE(Listening());
  platform_.AddPrinterAndNotify({L"Dup", kDriver, L"USB001"});
  ASSERT_TRUE(platform_.WaitUntilChangesHandled(5000));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.HasPrinter(L"Dup"), !c.deleted) << c.fault;
  EXPECT_EQ(Pcs(), 5u) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Installation, QueueWatcherFailure,
    testing::Values(
        FailureCase{"unreadable queue taken for a duplicate", [](CFakePlatform& p) { p.Fail("GetPrinter"); }, false},
        FailureCase{"port text outside the spooler's reply read",
                    [](CFakePlatform& p) { p.PortOutsideBuffer(); }, false},
        FailureCase{"failed delete leaves the queue's handle open", [](CFakePlatform& p) { p.Fail("DeletePrinter"); },
                    false}));

struct EndCase {
  const char* fault;
  const char* failing;
  int findNext;  // FindNext calls the watcher makes
};

// Failures name the fault the case catches.
void PrintTo(const EndCase& c, std::ostream* os) { *os << c.fault; }

class QueueWatcherEnd : public QueueWatcher, public testing::WithParamInterface<EndCase> {};

TEST_P(QueueWatcherEnd, WatcherThatCannotWatchEndsAtOnce) {
  const auto& c = GetParam();
  platform_.Fail(c.failing);
  // A grace time far beyond the bound below: a watcher that did not end
  // would be waited for that long.
  PSP_DEVINFO_DATA device = StartWatching({30000, 30000, 60000});
  platform_.AddPrinterAndNotify({L"Dup", kDriver, L"USB001"});
  Sleep(200);  // long enough to spin many times round a loop that would
  ULONGLONG elapsed = 0;
  EXPECT_EQ(TimedFinish(device, &elapsed), static_cast<DWORD>(NO_ERROR));
  EXPECT_LT(elapsed, 10000u) << c.fault;
  EXPECT_EQ(platform_.Count("FindNext"), c.findNext) << c.fault;
  EXPECT_TRUE(platform_.HasPrinter(L"Dup")) << c.fault;
  EXPECT_EQ(Pcs(), 5u) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Installation, QueueWatcherEnd,
    testing::Values(
        EndCase{"no notification: the invalid handle waited on as this process", "FindFirst", 0},
        EndCase{"no print server: notifications asked of nothing", "OpenPrinter:server", 0},
        EndCase{"change that cannot be fetched spun on", "FindNext", 1}));

struct StartCase {
  const char* fault;
  const char* failing;
  int threads;
};

// Failures name the fault the case catches.
void PrintTo(const StartCase& c, std::ostream* os) { *os << c.fault; }

class QueueWatcherStart : public QueueWatcher, public testing::WithParamInterface<StartCase> {};

TEST_P(QueueWatcherStart, WatcherThatCannotStartLeavesNothingBehind) {
  const auto& c = GetParam();
  platform_.Fail(c.failing);
  Installer({30000, 30000, 60000});  // a wait for a watcher that never started would be long
  PSP_DEVINFO_DATA device = ServedDevice();
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("StartThread"), c.threads) << c.fault;
  ULONGLONG elapsed = 0;
  EXPECT_EQ(TimedFinish(device, &elapsed), static_cast<DWORD>(NO_ERROR));
  EXPECT_LT(elapsed, 10000u) << c.fault;
  EXPECT_EQ(Pcs(), 5u) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(Installation, QueueWatcherStart,
                         testing::Values(StartCase{"thread that failed to start leaks its event", "StartThread", 1},
                                         StartCase{"thread started without its stop event", "CreateEvent", 0}));

// ---------------------------------------------------------------- lifetime

TEST_F(QueueWatcher, WatcherThatFindsNothingIsStoppedAfterTheGraceTime) {
  // catches: a wizard end that does not wait for the new queue, or one that
  // waits for a watcher that is never told to stop
  PSP_DEVINFO_DATA device = StartWatching({400, 30000, 60000});
  ASSERT_TRUE(Listening());
  ULONGLONG elapsed = 0;
  EXPECT_EQ(TimedFinish(device, &elapsed), static_cast<DWORD>(NO_ERROR));
  EXPECT_GE(elapsed, 350u);
  EXPECT_LT(elapsed, 15000u);
}

TEST_F(QueueWatcher, WatcherStuckInTheSpoolerDoesNotHangTheWizard) {
  // catches: a wait without limit for a watcher that cannot end, or a
  // stuck watcher's state freed under it
  platform_.BlockGetPrinter();
  PSP_DEVINFO_DATA device = StartWatching({200, 300, 20000});
  ASSERT_TRUE(Listening());
  platform_.AddPrinterAndNotify({L"Dup", kDriver, L"USB001"});
  ULONGLONG elapsed = 0;
  EXPECT_EQ(TimedFinish(device, &elapsed), static_cast<DWORD>(NO_ERROR));
  EXPECT_LT(elapsed, 10000u) << "waited for the stuck watcher";
  EXPECT_EQ(Pcs(), 5u);
  EXPECT_GE(gui::ThreadCount(), baseline_.Threads() + 1);  // still stuck
  platform_.Unblock();
  EXPECT_EQ(baseline_.Check(5000), "");  // it ends, and nothing of it stays
  EXPECT_TRUE(platform_.HasPrinter(L"Dup"));  // found too late: left alone
}

TEST_F(QueueWatcher, WatcherWhoseWizardNeverEndsStopsByItself) {
  // catches: a thread left running for good when the host never sends the
  // wizard's end
  PSP_DEVINFO_DATA device = StartWatching({30000, 30000, 300});
  ASSERT_TRUE(Listening());
  // Its thread ends; its handles stay with the installation until the wizard's end.
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::ThreadCount() <= baseline_.Threads(); }, 10000))
      << "the watcher did not end by itself";
  ULONGLONG elapsed = 0;
  EXPECT_EQ(TimedFinish(device, &elapsed), static_cast<DWORD>(NO_ERROR));
  EXPECT_LT(elapsed, 10000u) << "waited for a watcher that was gone";
}

TEST_F(QueueWatcher, OwnerGoingWithTheWatcherRunningStopsIt) {
  // catches: a watcher left running on state that is gone
  StartWatching({300, 30000, 60000});
  ASSERT_TRUE(Listening());
  const ULONGLONG start = GetTickCount64();
  installer_.reset();
  EXPECT_LT(GetTickCount64() - start, 10000u) << "the watcher was not told to stop";
  EXPECT_EQ(baseline_.Check(), "");
}

TEST_F(QueueWatcher, SecondFirstPassStartsNoSecondWatcher) {
  // catches: the first watcher's thread and event overwritten and leaked
  PSP_DEVINFO_DATA device = StartWatching();
  ASSERT_TRUE(Listening());
  EXPECT_EQ(FirstPass(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform_.Count("StartThread"), 1);
  platform_.AddPrinterAndNotify({L"Dup", kDriver, L"USB001"});
  ASSERT_TRUE(platform_.WaitUntilChangesHandled(5000));
  EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
  EXPECT_FALSE(platform_.HasPrinter(L"Dup"));
}

TEST_F(QueueWatcher, InstallationsInARowEachCleanUp) {
  // catches: state of one installation leaking into the next
  for (int run = 0; run < 3; ++run) {
    PSP_DEVINFO_DATA device = StartWatching();
    ASSERT_TRUE(Listening());
    const std::wstring name = L"Dup" + std::to_wstring(run);
    platform_.AddPrinterAndNotify({name, kDriver, L"USB001"});
    ASSERT_TRUE(platform_.WaitUntilChangesHandled(5000));
    EXPECT_EQ(Finish(device), static_cast<DWORD>(NO_ERROR));
    EXPECT_FALSE(platform_.HasPrinter(name)) << run;
    EXPECT_EQ(Pcs(), 5u) << run;
    EXPECT_EQ(platform_.Leaks(), "") << run;
    EXPECT_EQ(baseline_.Check(), "") << run;
    installer_.reset();
  }
}

}  // namespace
