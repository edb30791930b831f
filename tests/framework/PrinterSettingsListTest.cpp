// The printer settings list against real files: the profile functions for
// PrinterSetting.INI and the data files on disk.

#include "framework/PrinterSettingsList.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>

#include "tests/support/GuiDriver.h"
#include "win/Text.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size = {};
  GetFileSizeEx(file, &size);
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD got = 0;
  if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::vector<uint8_t> Block(int32_t id, uint32_t size, uint8_t fill) {
  std::vector<uint8_t> data(size, fill);
  std::memcpy(data.data(), "PND", 4);
  WriteLe32(&data[4], static_cast<uint32_t>(id));
  std::memset(&data[8], 0, 24);
  return data;
}

class SettingsList : public testing::Test {
protected:
  std::wstring Path(const std::wstring& name) const { return folder_.Path() + L"\\" + name; }

  // A list with two blocks written, ready to save.
  void Fill(CPrinterSettingsList& list, uint8_t fill) {
    ASSERT_EQ(list.RegisterBlock(0x10001, 1, 200), 0);
    ASSERT_EQ(list.RegisterBlock(0x10011, 1, 76), 0);
    auto a = Block(0x10001, 200, fill);
    auto b = Block(0x10011, 76, static_cast<uint8_t>(fill + 1));
    ASSERT_EQ(list.WriteBlock(0x10001, 200, a.data()), 0);
    ASSERT_EQ(list.WriteBlock(0x10011, 76, b.data()), 0);
  }

  gui::CTempFolder folder_;
};

TEST_F(SettingsList, SaveNeedsTheWriteFlag) {
  CPrinterSettingsList list;
  Fill(list, 1);
  const std::wstring path = Path(L"PORT_0\\VX-R500_Setting.DAT");
  EXPECT_EQ(list.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000), 0);
  EXPECT_FALSE(FileExists(path));
  list.writeFlag = 1;
  EXPECT_EQ(list.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000), 1);  // creates the printer's folder
  EXPECT_TRUE(FileExists(path));
  EXPECT_FALSE(FileExists(path + L".new"));

  CPrinterSettingsList loaded;
  EXPECT_EQ(loaded.LoadDataFile(path), 0);
  ASSERT_EQ(loaded.Blocks().Blocks().size(), 2u);
  std::vector<uint8_t> out(200);
  EXPECT_EQ(loaded.ReadBlock(0x10001, out.data(), 200), 0);
  EXPECT_EQ(out[199], 1);
}

TEST_F(SettingsList, LoadResults) {
  CPrinterSettingsList list;
  EXPECT_EQ(list.LoadDataFile(Path(L"missing.DAT")), -2);
  WriteBytes(Path(L"short.DAT"), std::vector<uint8_t>(20, 0));
  EXPECT_EQ(list.LoadDataFile(Path(L"short.DAT")), -4);
  std::vector<uint8_t> badTag(136, 0);
  std::memcpy(badTag.data(), "XSD", 4);
  WriteBytes(Path(L"tag.DAT"), badTag);
  EXPECT_EQ(list.LoadDataFile(Path(L"tag.DAT")), -3);

  // A file another program holds open exclusively cannot be read.
  std::vector<uint8_t> empty(136, 0);
  std::memcpy(empty.data(), "PSD", 4);
  WriteBytes(Path(L"locked.DAT"), empty);
  HANDLE lock = CreateFileW(Path(L"locked.DAT").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(list.LoadDataFile(Path(L"locked.DAT")), -2);
  CloseHandle(lock);
  EXPECT_EQ(list.LoadDataFile(Path(L"locked.DAT")), 0);
}

TEST_F(SettingsList, FailedSaveLeavesTheOldFileByteForByte) {
  const std::wstring path = Path(L"VX-R500_Setting.DAT");
  {
    CPrinterSettingsList first;
    Fill(first, 0x21);
    first.writeFlag = 1;
    ASSERT_EQ(first.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000), 1);
  }
  const std::vector<uint8_t> before = ReadBytes(path);
  ASSERT_FALSE(before.empty());

  CPrinterSettingsList second;
  Fill(second, 0x42);
  second.writeFlag = 1;
  // The temporary file cannot be created: a folder stands in its place.
  ASSERT_TRUE(CreateDirectoryW((path + L".new").c_str(), nullptr));
  EXPECT_EQ(second.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000), 0);
  EXPECT_EQ(ReadBytes(path), before);
  RemoveDirectoryW((path + L".new").c_str());

  // The old file cannot be replaced: another program holds it open.
  HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(second.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000), 0);
  CloseHandle(holder);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_FALSE(FileExists(path + L".new"));

  EXPECT_EQ(second.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000), 1);
  EXPECT_NE(ReadBytes(path), before);
}

TEST_F(SettingsList, ASaveCutOffAtAnyStepLeavesAFileThatLoads) {
  // catches: a save killed part-way leaving a broken data file, or its
  // leftover stopping the next save. A process killed between write, flush
  // and replace leaves one of these on disk: the old file beside a
  // temporary file holding any prefix of the new bytes (killed while
  // writing), beside the whole new bytes (killed before the replace), or the
  // new file alone (killed after it).
  const std::wstring path = Path(L"VX-R500_Setting.DAT");
  const std::wstring temp = path + L".new";
  const auto save = [&](uint8_t fill) {
    CPrinterSettingsList list;
    Fill(list, fill);
    list.writeFlag = 1;
    EXPECT_EQ(list.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000), 1);
    return ReadBytes(path);
  };
  const std::vector<uint8_t> newer = save(0x42);
  const std::vector<uint8_t> older = save(0x21);
  const auto loadsAs = [&](uint8_t fill) {
    CPrinterSettingsList loaded;
    if (loaded.LoadDataFile(path) != 0) return false;
    std::vector<uint8_t> out(200);
    return loaded.ReadBlock(0x10001, out.data(), 200) == 0 && out[199] == fill;
  };
  for (std::size_t cut = 0; cut <= newer.size(); cut += 7) {
    WriteBytes(path, older);
    WriteBytes(temp, std::vector<uint8_t>(newer.begin(), newer.begin() + static_cast<std::ptrdiff_t>(cut)));
    EXPECT_TRUE(loadsAs(0x21)) << "killed after " << cut << " bytes: the old file loads";
  }
  WriteBytes(path, older);
  WriteBytes(temp, newer);
  EXPECT_TRUE(loadsAs(0x21)) << "killed before the replace: the old file loads";
  WriteBytes(path, newer);
  DeleteFileW(temp.c_str());
  EXPECT_TRUE(loadsAs(0x42)) << "killed after the replace: the new file loads";

  // The next start saves over whatever was left.
  WriteBytes(path, older);
  WriteBytes(temp, std::vector<uint8_t>(newer.begin(), newer.begin() + 50));
  EXPECT_EQ(save(0x42), newer);
  EXPECT_FALSE(FileExists(temp));
  EXPECT_TRUE(loadsAs(0x42));
}

TEST_F(SettingsList, PrinterEntriesAndTheirFiles) {
  CPrinterSettingsList list;
  const std::wstring base = folder_.Path();
  list.AddPrinter(base, L"VX-R500", L"USB001");
  list.AddPrinter(base, L"VX-R500", L"USB002");
  list.AddPrinter(base, L"VX-R500", L"USB001");  // already listed: unchanged
  list.AddPrinter(base, L"VX-R500", L"COM1");
  list.AddPrinter(base, L"VX-R500", L"NET");
  ASSERT_EQ(list.Printers().size(), 4u);
  EXPECT_EQ(list.Printers()[3].folderName, L"PORT_3");
  EXPECT_EQ(list.GetPrinterDataPath(L"VX-R500", L"COM1"), base + L"\\PORT_2\\VX-R500_Setting.DAT");
  EXPECT_EQ(list.FindPrinter(L"VX-R500", L"usb001"), -1);  // exact comparison
  EXPECT_EQ(list.FindPrinter(L"", L""), -1);
  EXPECT_EQ(list.GetPrinterDataPath(L"VX-R500", L"LPT1"), L"");
  EXPECT_EQ(list.PrinterDataFileExists(L"VX-R500", L"COM1"), 0);
  CreateDirectoryW((base + L"\\PORT_2").c_str(), nullptr);
  WriteBytes(base + L"\\PORT_2\\VX-R500_Setting.DAT", {1});
  EXPECT_EQ(list.PrinterDataFileExists(L"VX-R500", L"COM1"), 1);

  EXPECT_EQ(list.SavePrinterList(base), 4);
  CPrinterSettingsList again;
  EXPECT_EQ(again.LoadPrinterList(base, L"D:\\data"), 4);
  EXPECT_EQ(again.Printers()[1].portName, L"USB002");
  EXPECT_EQ(again.Printers()[1].dataPath, L"D:\\data\\PORT_1\\VX-R500_Setting.DAT");
  EXPECT_EQ(again.LoadPrinterList(base, L"D:\\data"), 8);  // entries already listed remain
}

TEST_F(SettingsList, AListSaveIsWholeOrLeavesTheOldList) {
  // catches: the list written in place key by key, a failed save told as done
  const std::wstring base = folder_.Path(), ini = Path(L"PrinterSetting.INI");
  CPrinterSettingsList list;
  list.AddPrinter(base, L"VX-R500", L"USB001");
  ASSERT_EQ(list.SavePrinterList(base), 1);
  const std::vector<uint8_t> before = ReadBytes(ini);
  list.AddPrinter(base, L"VX-R500 \u30ec\u30b8", L"COM1");
  HANDLE holder = CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(list.SavePrinterList(base), 0) << "another program holds the list";
  CloseHandle(holder);
  EXPECT_EQ(ReadBytes(ini), before);
  ASSERT_EQ(list.SavePrinterList(base), 2);
  CPrinterSettingsList loaded;
  ASSERT_EQ(loaded.LoadPrinterList(base, base), 2);
  EXPECT_EQ(loaded.Printers()[1].deviceName, L"VX-R500 \u30ec\u30b8") << "any device name survives";
}

TEST_F(SettingsList, ANewPrinterNeverMovesIntoAFolderInUse) {
  // catches: the folder named after the list's size alone, taking over one
  // left on disk or named by an entry whose folder is not made yet
  const std::string text = "[INFO]\r\nCOUNT=1\r\n[PORT_0]\r\nDeviceName=B\r\nPortName=P\r\nDir=PORT_1\r\n";
  WriteBytes(Path(L"PrinterSetting.INI"), std::vector<uint8_t>(text.begin(), text.end()));
  CreateDirectoryW(Path(L"port_2").c_str(), nullptr);  // left by an earlier installation
  CPrinterSettingsList list;
  ASSERT_EQ(list.LoadPrinterList(folder_.Path(), folder_.Path()), 1);
  list.AddPrinter(folder_.Path(), L"VX-R500", L"USB001");
  EXPECT_EQ(list.GetPrinterDataPath(L"VX-R500", L"USB001"), Path(L"PORT_3\\VX-R500_Setting.DAT"));
}

TEST_F(SettingsList, AListEntryThatLeadsOutsideTheBaseFolderIsLeftOut) {
  // catches: folder or device names from an edited list taken into the data
  // file's path, so that a save writes wherever they point
  const char* forged[][2] = {{"..\\..\\Windows", "A"}, {"C:\\Windows", "A"}, {"/tmp", "A"}, {"..", "A"},
                             {"PORT_0", "..\\x"},      {"PORT_0", "a/b"},     {"PORT_0", "a:b"}};
  std::string text = "[INFO]\r\nCOUNT=7\r\n";
  for (int i = 0; i < 7; ++i) {
    text += "[PORT_" + std::to_string(i) + "]\r\nDir=" + forged[i][0] + "\r\nDeviceName=" + forged[i][1] +
            "\r\nPortName=P\r\n";
  }
  WriteBytes(Path(L"PrinterSetting.INI"), std::vector<uint8_t>(text.begin(), text.end()));
  CPrinterSettingsList list;
  EXPECT_EQ(list.LoadPrinterList(folder_.Path(), folder_.Path()), 0);
  EXPECT_EQ(list.GetPrinterDataPath(L"A", L"P"), L"");
  list.AddPrinter(folder_.Path(), L"A", L"P");  // met again: a folder of its own
  EXPECT_EQ(list.GetPrinterDataPath(L"A", L"P"), Path(L"PORT_0\\A_Setting.DAT"));
  list.AddPrinter(folder_.Path(), L"a/b", L"P");
  EXPECT_EQ(list.GetPrinterDataPath(L"a/b", L"P"), L"");
}

TEST_F(SettingsList, PrinterListFileEdgeCases) {
  const std::wstring ini = folder_.Path() + L"\\PrinterSetting.INI";
  const struct {
    const char* name;
    const char* text;
    int32_t count;
  } cases[] = {
      {"missing count", "[PORT_0]\r\nDeviceName=A\r\n", 0},
      {"zero", "[INFO]\r\nCOUNT=0\r\n", 0},
      {"negative", "[INFO]\r\nCOUNT=-4\r\n", 0},
      {"count beyond the sections", "[INFO]\r\nCOUNT=2000000000\r\n[PORT_0]\r\nDeviceName=A\r\n", 2},
      {"one", "[INFO]\r\nCOUNT=1\r\n[PORT_0]\r\nDeviceName=A\r\nPortName=P\r\nDir=PORT_0\r\n", 1},
  };
  for (const auto& c : cases) {
    WriteBytes(ini, std::vector<uint8_t>(c.text, c.text + std::strlen(c.text)));
    CPrinterSettingsList list;
    EXPECT_EQ(list.LoadPrinterList(folder_.Path(), folder_.Path()), c.count) << c.name;
  }
  CPrinterSettingsList none;
  EXPECT_EQ(none.LoadPrinterList(folder_.Path() + L"\\nowhere", folder_.Path()), 0);
  EXPECT_EQ(none.SavePrinterList(folder_.Path() + L"\\nowhere"), 0);
}

}  // namespace

namespace {

constexpr uint32_t kKillBlockBytes = 1u << 20;  // a save that takes a while

void FillLarge(CPrinterSettingsList& list, uint8_t fill) {
  (void)list.RegisterBlock(0x10001, 1, kKillBlockBytes);
  auto a = Block(0x10001, kKillBlockBytes, fill);
  (void)list.WriteBlock(0x10001, kKillBlockBytes, a.data());
  list.writeFlag = 1;
}

// The fill of the saved block, or 0 when the file does not load.
uint8_t LoadedFill(const std::wstring& path) {
  CPrinterSettingsList loaded;
  if (loaded.LoadDataFile(path) != 0) return 0;
  std::vector<uint8_t> out(kKillBlockBytes);
  if (loaded.ReadBlock(0x10001, out.data(), kKillBlockBytes) != 0) return 0;
  return out[kKillBlockBytes - 1] == out[100] ? out[100] : 0;
}

}  // namespace

// Not a test of its own: the process the next test starts and kills. It
// saves two settings over and over, each save whole or not at all.
TEST(SaveKilled, DISABLED_SaverLoop) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableW(L"VX_SAVE_LOOP", path, MAX_PATH), 0u);
  for (uint8_t fill = 0x21;; fill = fill == 0x21 ? 0x42 : 0x21) {
    CPrinterSettingsList list;
    FillLarge(list, fill);
    (void)list.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000);
  }
}

TEST(SaveKilled, EveryKillLeavesTheOldOrTheNewFileAndTheNextStartLoadsIt) {
  // catches: a process killed between write, flush and replace leaving a
  // data file that does not load, or a leftover that stops the next save
  gui::CTempFolder folder;
  const std::wstring path = folder.Path() + L"\\VX-R500_Setting.DAT";
  {
    CPrinterSettingsList first;
    FillLarge(first, 0x21);
    ASSERT_EQ(first.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000), 1);
  }
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  SetEnvironmentVariableW(L"VX_SAVE_LOOP", path.c_str());
  int midSave = 0, betweenSaves = 0;
  constexpr int kKills = 24;
  for (int kill = 0; kill < kKills; ++kill) {
    auto saver = gui::CProcess::Start(self, L"--gtest_also_run_disabled_tests --gtest_filter=SaveKilled.DISABLED_SaverLoop");
    ASSERT_TRUE(saver);
    // Kill times spread over the first saves and well into the loop.
    Sleep(600 + static_cast<DWORD>((kill * 53) % 700));
    saver->Kill();
    ASSERT_TRUE(saver->WaitForExit(10000));
    (FileExists(path + L".new") ? midSave : betweenSaves)++;
    const uint8_t fill = LoadedFill(path);
    EXPECT_TRUE(fill == 0x21 || fill == 0x42) << "kill " << kill << ": the file loads as one save or the other";
  }
  SetEnvironmentVariableW(L"VX_SAVE_LOOP", nullptr);
  std::cout << "figure: " << kKills << " kills, " << midSave << " during a save (temporary file left), "
            << betweenSaves << " between saves\n";
  // The next start saves over whatever was left.
  CPrinterSettingsList next;
  FillLarge(next, 0x42);
  EXPECT_EQ(next.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000), 1);
  EXPECT_FALSE(FileExists(path + L".new"));
  EXPECT_EQ(LoadedFill(path), 0x42);
}
