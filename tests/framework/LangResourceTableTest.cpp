#include "framework/LangResourceTable.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

#include "tests/support/GuiDriver.h"
#include "win/Text.h"

namespace {

// Writes a language file as shipped: UTF-16LE with a byte-order mark.
void WriteLangFile(const std::wstring& path, const std::wstring& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  const wchar_t bom = 0xFEFF;
  WriteFile(file, &bom, sizeof(bom), &written, nullptr);
  WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
}

const wchar_t kEnglish[] =
    L"[CMN_STR]\r\nCMN_STR_1=OK\r\n"
    L"[CMN_MSG]\r\nCMN_MSG_7=Common seven\r\n"
    L"[WIN_CAP]\r\nWIN_CAP_1003=Add Port\r\nWIN_CAP_1=]CMN_STR_1\r\nWIN_CAP_4242=No such control\r\n"
    L"[WIN_CMB]\r\nWIN_CMB_1000=English||1033\r\nWIN_CMB_1000=Deutsch||0x407\r\nWIN_CMB_1003=NotACombo||5\r\n"
    L"[WIN_LSTCTRL]\r\nWIN_LSTCTRL_1020=Name||0||120||0\r\nWIN_LSTCTRL_1020=Port||1||80||2\r\n"
    L"WIN_LSTCTRL_1003=NotAList||0||10||0\r\n"
    L"[WIN_MSG]\r\nWIN_MSG_0=First\r\nWIN_MSG_0=Second wins\r\nWIN_MSG_2=Line\\nbreak\r\nWIN_MSG_3=]CMN_MSG_7\r\n"
    L"WIN_MSG_4=]CMN_MSG_8\r\n"
    L"[WIN_STR]\r\nWIN_STR_5=Select\r\n";

class LangTable : public testing::Test {
protected:
  void SetUp() override {
    WriteLangFile(folder_.Path() + L"\\0409.DAT", kEnglish);
    WriteLangFile(folder_.Path() + L"\\0411.DAT",
                  L"[WIN_MSG]\r\nWIN_MSG_0=\x30d7\x30ea\x30f3\x30bf\x30fc\r\n");
  }
  gui::CTempFolder folder_;
};

TEST_F(LangTable, FindLanguageFileResults) {
  CLangResourceTable table;
  EXPECT_EQ(table.FindLanguageFile(folder_.Path(), 0x411, kEnglishLangId), 2);
  EXPECT_EQ(table.ChosenLangId(), 0x411);
  EXPECT_EQ(table.FindLanguageFile(folder_.Path(), 0x407, kEnglishLangId), 1);
  EXPECT_EQ(table.ChosenLangId(), 0x409);
  EXPECT_EQ(table.FindLanguageFile(folder_.Path() + L"\\none", 0x407, kEnglishLangId), -1);
  EXPECT_FALSE(table.FileFound());
  EXPECT_EQ(table.FindLanguageFile(L"", 0x409, kEnglishLangId), -1);
  EXPECT_EQ(table.LoadSection(L"WIN"), -2);
  EXPECT_EQ(table.LoadSection(L""), -3);
}

TEST_F(LangTable, NumberedLookups) {
  CLangResourceTable table;
  ASSERT_EQ(table.FindLanguageFile(folder_.Path(), 0x409, kEnglishLangId), 2);
  ASSERT_EQ(table.LoadSection(L"WIN"), 0);
  std::wstring text = L"unchanged";
  const struct {
    int number;
    int32_t result;
    const wchar_t* text;
  } cases[] = {{0, 0, L"Second wins"},     {2, 0, L"Line\r\nbreak"}, {3, 0, L"Common seven"},
               {4, 0, L""},                {1, -1, nullptr},          {5, -3, nullptr},
               {-1, -3, nullptr}};
  for (const auto& c : cases) {
    text = L"unchanged";
    EXPECT_EQ(table.GetMessage(c.number, text), c.result) << c.number;
    EXPECT_EQ(text, c.text ? c.text : L"unchanged") << c.number;
  }
  EXPECT_EQ(table.GetString(5, text), 0);
  EXPECT_EQ(text, L"Select");
  EXPECT_EQ(table.GetComboItemText(0x407), L"Deutsch");
  EXPECT_EQ(table.GetComboItemText(5), L"");  // control 1003, not 1000
  EXPECT_EQ(table.MessageOr(9, L"fallback"), L"fallback");
}

TEST_F(LangTable, ReadsUtf16Text) {
  CLangResourceTable table;
  ASSERT_EQ(table.FindLanguageFile(folder_.Path(), 0x411, kEnglishLangId), 2);
  ASSERT_EQ(table.LoadSection(L"WIN"), 0);
  std::wstring text;
  ASSERT_EQ(table.GetMessage(0, text), 0);
  EXPECT_EQ(text, L"\x30d7\x30ea\x30f3\x30bf\x30fc");
}

TEST_F(LangTable, FindLanguageFileEmptiesTheTable) {
  CLangResourceTable table;
  ASSERT_EQ(table.FindLanguageFile(folder_.Path(), 0x409, kEnglishLangId), 2);
  ASSERT_EQ(table.LoadSection(L"WIN"), 0);
  ASSERT_EQ(table.FindLanguageFile(folder_.Path(), 0x409, kEnglishLangId), 2);
  std::wstring text;
  EXPECT_EQ(table.GetMessage(0, text), -3);
}

TEST_F(LangTable, LongSectionIsReadWhole) {
  std::wstring text = L"[BIG_MSG]\r\n";
  for (int i = 0; i < 3000; ++i) text += L"BIG_MSG_" + std::to_wstring(i) + L"=Message number " + std::to_wstring(i) + L"\r\n";
  WriteLangFile(folder_.Path() + L"\\0409.DAT", text);
  CLangResourceTable table;
  ASSERT_EQ(table.FindLanguageFile(folder_.Path(), 0x409, kEnglishLangId), 2);
  ASSERT_EQ(table.LoadSection(L"BIG"), 0);
  std::wstring last;
  EXPECT_EQ(table.GetMessage(2999, last), 0);
  EXPECT_EQ(last, L"Message number 2999");
}

TEST_F(LangTable, HugeEntryNumberAllocatesNothingLarge) {
  WriteLangFile(folder_.Path() + L"\\0409.DAT", L"[BIG_MSG]\r\nBIG_MSG_2147483646=far\r\nBIG_MSG_1=near\r\n");
  CLangResourceTable table;
  ASSERT_EQ(table.FindLanguageFile(folder_.Path(), 0x409, kEnglishLangId), 2);
  ASSERT_EQ(table.LoadSection(L"BIG"), 0);
  std::wstring text;
  EXPECT_EQ(table.GetMessage(2147483646, text), 0);
  EXPECT_EQ(text, L"far");
  EXPECT_EQ(table.GetMessage(1000, text), -1);
}

// Captions, combo items and list columns applied to real controls.
TEST_F(LangTable, AppliesToRealControls) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, instance, nullptr);
  ASSERT_NE(parent, nullptr);
  auto child = [&](const wchar_t* cls, int id, DWORD style) {
    return CreateWindowExW(0, cls, L"template", WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 100, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  HWND button = child(L"BUTTON", 1003, 0);
  HWND ok = child(L"BUTTON", 1, 0);
  HWND combo = child(L"ComboBox", 1000, CBS_DROPDOWNLIST);
  HWND list = child(WC_LISTVIEWW, 1020, LVS_REPORT);
  ASSERT_TRUE(button && ok && combo && list);

  CLangResourceTable table;
  ASSERT_EQ(table.FindLanguageFile(folder_.Path(), 0x409, kEnglishLangId), 2);
  ASSERT_EQ(table.LoadSection(L"WIN"), 0);
  table.ApplyCaptions(parent);
  table.ApplyComboBoxItems(parent);
  table.ApplyListColumns(parent);
  table.ApplyListColumns(parent);  // a second pass changes existing columns, adds none

  EXPECT_EQ(gui::WindowText(button), L"Add Port");  // the combo and list entries for 1003 change nothing
  EXPECT_EQ(gui::WindowText(ok), L"OK");
  ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 1, 0), 0x407);
  HWND header = ListView_GetHeader(list);
  ASSERT_EQ(Header_GetItemCount(header), 2);
  wchar_t heading[64] = {};
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
  column.pszText = heading;
  column.cchTextMax = 64;
  ASSERT_TRUE(ListView_GetColumn(list, 1, &column));
  EXPECT_STREQ(heading, L"Port");
  EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
  EXPECT_EQ(column.cx, 80);

  CLangInfoBase base(LangEntry{L"k", 1000});
  EXPECT_FALSE(base.IsTargetControl(parent));
  EXPECT_TRUE(base.IsControlOfClass(parent, L"ComboBox"));
  EXPECT_FALSE(base.IsControlOfClass(parent, L"combobox"));  // exact comparison
  EXPECT_FALSE(base.IsControlOfClass(nullptr, L"ComboBox"));
  EXPECT_FALSE(base.IsControlOfClass(parent, L""));
  DestroyWindow(parent);
}

// Every shipped language file has the entries of the English one, with the
// same field counts and the same placeholders.
std::vector<std::wstring> SectionNames(const std::wstring& path) {
  std::wstring buffer(65536, L'\0');
  const DWORD n = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
  std::vector<std::wstring> names;
  for (std::size_t start = 0; start < n;) {
    const std::size_t end = buffer.find(L'\0', start);
    if (end == start) break;
    names.push_back(buffer.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::map<std::wstring, std::wstring> Entries(const std::wstring& path, const std::wstring& section) {
  std::map<std::wstring, std::wstring> entries;
  const std::wstring text = ReadProfileSection(path, section);
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(L'\0', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(start, end - start);
    const std::size_t eq = line.find(L'=');
    if (eq != std::wstring::npos) entries[line.substr(0, eq)] = line.substr(eq + 1);
    start = end + 1;
  }
  return entries;
}

std::wstring Shape(const std::wstring& value) {
  std::wstring shape = std::to_wstring(SplitLangFields(value).size()) + L":";
  for (std::size_t i = 0; i + 1 < value.size(); ++i) {
    if (value[i] == L'%' && (value[i + 1] == L's' || value[i + 1] == L'd')) shape += value.substr(i, 2);
  }
  return shape;
}

TEST(ShippedLanguageFiles, MatchTheEnglishFile) {
  const std::wstring langDir = gui::BuildProgramDir() + L"\\LANG";
  const std::wstring english = langDir + L"\\0409.DAT";
  ASSERT_TRUE(FileExists(english));
  const auto sections = SectionNames(english);
  ASSERT_GT(sections.size(), 10u);
  for (const wchar_t* id : {L"0411", L"0407"}) {
    const std::wstring other = langDir + L"\\" + id + L".DAT";
    ASSERT_TRUE(FileExists(other)) << id;
    for (const std::wstring& section : sections) {
      const auto want = Entries(english, section);
      const auto have = Entries(other, section);
      for (const auto& [key, value] : want) {
        auto it = have.find(key);
        ASSERT_NE(it, have.end()) << id << " lacks " << std::string(key.begin(), key.end());
        EXPECT_EQ(Shape(it->second), Shape(value)) << id << " " << std::string(key.begin(), key.end());
      }
    }
  }
}

TEST(ShippedLanguageFiles, EveryWindowLoadsInEveryLanguage) {
  const std::wstring langDir = gui::BuildProgramDir() + L"\\LANG";
  for (int32_t id : {0x409, 0x411, 0x407}) {
    CLangResourceTable table;
    ASSERT_EQ(table.FindLanguageFile(langDir, id, kEnglishLangId), 2) << id;
    ASSERT_EQ(table.LoadSection(L"VX_UTILITY_APP"), 0);
    std::wstring text;
    EXPECT_EQ(table.GetMessage(0, text), 0) << id;
    EXPECT_FALSE(text.empty()) << id;
  }
}

}  // namespace

namespace {

TEST(LanguageLookupResponse, EachResultAsAWindowMeetsIt) {
  const struct {
    int32_t result;
    bool goesOn;
    bool closes;
    const wchar_t* message;  // null: none
    int32_t langId;
  } cases[] = {
      {-1, false, true, L"Could not find the required files.\nClosing application.", 0x411},
      {1, true, false, L"Could not find the required files.\nDisplaying the screen in English.", 1033},
      {2, true, false, nullptr, 0x411},
  };
  for (const auto& c : cases) {
    UtilitySettings settings = {};
    settings.langId = 0x411;
    CopyText(settings.langIdText, L"0411");
    bool shown = false;
    bool closed = false;
    gui::CMessageBoxWatcher boxes;
    EXPECT_EQ(RespondToLanguageLookup(c.result, settings, shown, nullptr, [&] { closed = true; }), c.goesOn);
    EXPECT_TRUE(gui::WaitUntil([&] { return boxes.Seen().size() == (c.message ? 1u : 0u); }, 2000));
    const auto seen = boxes.Seen();
    if (c.message) {
      ASSERT_EQ(seen.size(), 1u) << c.result;
      EXPECT_EQ(seen[0].text, c.message);
      EXPECT_EQ(seen[0].title, L"VX-R500 Utility");
    } else {
      EXPECT_TRUE(seen.empty()) << c.result;
    }
    EXPECT_EQ(closed, c.closes) << c.result;
    EXPECT_EQ(settings.langId, c.langId) << c.result;
    if (c.langId == 1033) {
      EXPECT_STREQ(settings.langIdText, L"0409");
    }
  }
}

TEST(LanguageLookupResponse, EnglishWarningOncePerWindow) {
  UtilitySettings settings = {};
  bool shown = false;
  gui::CMessageBoxWatcher boxes;
  EXPECT_TRUE(RespondToLanguageLookup(1, settings, shown, nullptr, nullptr));
  EXPECT_TRUE(RespondToLanguageLookup(1, settings, shown, nullptr, nullptr));
  EXPECT_EQ(boxes.Seen().size(), 1u);
}

}  // namespace
