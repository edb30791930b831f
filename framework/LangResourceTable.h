#pragma once
// The per-window language table: captions, combo-box items, list columns and
// numbered strings and messages read from the language file "%04X.DAT".

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/LangFormat.h"
#include "framework/UtilitySettings.h"

constexpr int32_t kEnglishLangId = 0x409;

class CLangInfoBase {
public:
  CLangInfoBase(const LangEntry& entry);
  virtual ~CLangInfoBase() = default;
  // Does the entry's control exist in the window with the class it is meant for?
  virtual bool IsTargetControl(HWND window) const;
  bool IsControlOfClass(HWND window, const wchar_t* className) const;

  std::wstring name;
  int32_t id = -1;
  std::wstring text;
  int32_t extra = -1;
};

class CStringResInfo : public CLangInfoBase {
public:
  using CLangInfoBase::CLangInfoBase;
};

class CCaptionResInfo : public CLangInfoBase {
public:
  using CLangInfoBase::CLangInfoBase;
};

class CComboBoxResInfo : public CLangInfoBase {
public:
  CComboBoxResInfo(const LangEntry& entry);
  bool IsTargetControl(HWND window) const override;
  int32_t itemData = -1;
};

class CListCtrlResInfo : public CLangInfoBase {
public:
  CListCtrlResInfo(const LangEntry& entry);
  bool IsTargetControl(HWND window) const override;
  int32_t columnIndex = -1;
  int32_t width = -1;
  int32_t alignment = -1;
};

class CLangResourceTable {
public:
  // Results of FindLanguageFile.
  static constexpr int32_t kFoundRequested = 2;
  static constexpr int32_t kFoundFallback = 1;
  static constexpr int32_t kNotFound = -1;

  [[nodiscard]] int32_t FindLanguageFile(const std::wstring& folder, int32_t languageId,
                                         int32_t fallbackId);
  [[nodiscard]] int32_t LoadSection(const std::wstring& baseName);
  void ApplyCaptions(HWND window) const;
  void ApplyComboBoxItems(HWND window) const;
  void ApplyListColumns(HWND window) const;
  [[nodiscard]] int32_t GetString(int32_t number, std::wstring& text) const;
  [[nodiscard]] int32_t GetMessage(int32_t number, std::wstring& text) const;
  std::wstring GetComboItemText(int32_t itemData) const;

  // The text of window string / message n, or the English default.
  std::wstring StringOr(int32_t number, const std::wstring& fallback) const;
  std::wstring MessageOr(int32_t number, const std::wstring& fallback) const;

  int32_t ChosenLangId() const { return chosenId_; }
  bool FileFound() const { return found_ != 0; }
  std::wstring FilePath() const;

private:
  // A sparse numbered list: "highest number loaded plus one" long, entries
  // kept only where the file has them.
  struct NumberedList {
    std::map<int32_t, std::unique_ptr<CStringResInfo>> entries;
    int32_t length = 0;
    [[nodiscard]] int32_t Get(int32_t number, std::wstring& text) const;
    void Put(const LangEntry& entry);
    void Clear();
  };

  void Clear();
  void LoadOne(LangSectionKind kind, const std::wstring& sectionName, const std::wstring& path);

  std::vector<std::unique_ptr<CCaptionResInfo>> captions_;
  std::vector<std::unique_ptr<CComboBoxResInfo>> comboItems_;
  std::vector<std::unique_ptr<CListCtrlResInfo>> listColumns_;
  NumberedList windowStrings_;
  NumberedList commonStrings_;
  NumberedList windowMessages_;
  NumberedList commonMessages_;
  std::wstring folder_;
  std::wstring fileName_;
  int32_t chosenId_ = -1;
  int32_t found_ = 0;
};

// Reads a whole profile section, however long, as NUL-separated lines.
std::wstring ReadProfileSection(const std::wstring& path, const std::wstring& section);

// What every window does with the result of FindLanguageFile:
//  -1 (no file at all): warns "...Closing application." and asks its host to
//     close; the window shows no texts of its own.
//   1 (English instead): warns "...Displaying the screen in English." once per
//     window (fallbackShown remembers it) and switches the record to English
//     so that every later load uses it.
//   2: nothing.
// Returns true when the window goes on to load its texts.
// Without any language file the main window cannot run: says so and closes
// it. Each pane finds this out on its own; the user is told once.
// The main window's property that remembers it (removed with the window).
void CloseForMissingLanguageFiles(HWND mainWindow);
extern const wchar_t kMissingLanguageFilesProperty[];

bool RespondToLanguageLookup(int32_t result, UtilitySettings& settings, bool& fallbackShown, HWND owner,
                             const std::function<void()>& closeHost);
