#include "framework/LangResourceTable.h"

#include <commctrl.h>

#include <cwchar>

#include "framework/MessageBoxes.h"
#include "win/Dpi.h"
#include "win/Text.h"

CLangInfoBase::CLangInfoBase(const LangEntry& entry)
    : name(entry.name), id(entry.id), text(entry.text), extra(entry.extra) {}

bool CLangInfoBase::IsTargetControl(HWND) const { return false; }

bool CLangInfoBase::IsControlOfClass(HWND window, const wchar_t* className) const {
  if (id == -1 || !className || !*className || !window) return false;
  HWND child = GetDlgItem(window, id);
  if (!child) return false;
  wchar_t actual[261] = {};
  if (GetClassNameW(child, actual, static_cast<int>(std::size(actual))) == 0) return false;
  return std::wcscmp(actual, className) == 0;
}

CComboBoxResInfo::CComboBoxResInfo(const LangEntry& entry)
    : CLangInfoBase(entry), itemData(entry.itemData) {}

bool CComboBoxResInfo::IsTargetControl(HWND window) const {
  return IsControlOfClass(window, L"ComboBox");
}

CListCtrlResInfo::CListCtrlResInfo(const LangEntry& entry)
    : CLangInfoBase(entry),
      columnIndex(entry.columnIndex),
      width(entry.width),
      alignment(entry.alignment) {}

bool CListCtrlResInfo::IsTargetControl(HWND window) const {
  return IsControlOfClass(window, L"SysListView32");
}

int32_t CLangResourceTable::NumberedList::Get(int32_t number, std::wstring& text) const {
  if (number < 0 || number >= length) return -3;
  const auto it = entries.find(number);
  if (it == entries.end()) return -1;
  text = it->second->text;
  return 0;
}

void CLangResourceTable::NumberedList::Put(const LangEntry& entry) {
  entries[entry.id] = std::make_unique<CStringResInfo>(entry);
  if (entry.id >= length) length = entry.id == INT32_MAX ? INT32_MAX : entry.id + 1;
}

void CLangResourceTable::NumberedList::Clear() {
  entries.clear();
  length = 0;
}

void CLangResourceTable::Clear() {
  captions_.clear();
  comboItems_.clear();
  listColumns_.clear();
  windowStrings_.Clear();
  commonStrings_.Clear();
  windowMessages_.Clear();
  commonMessages_.Clear();
}

std::wstring CLangResourceTable::FilePath() const {
  if (!found_) return {};
  return folder_ + L"\\" + fileName_;
}

int32_t CLangResourceTable::FindLanguageFile(const std::wstring& folder, int32_t languageId,
                                             int32_t fallbackId) {
  Clear();
  found_ = 0;
  if (folder.empty()) return kNotFound;
  auto fileName = [](int32_t id) {
    wchar_t name[32];
    std::swprintf(name, std::size(name), L"%04X.DAT", static_cast<unsigned>(id));
    return std::wstring(name);
  };
  for (const auto& [id, result] : {std::pair{languageId, kFoundRequested},
                                   std::pair{fallbackId, kFoundFallback}}) {
    const std::wstring name = fileName(id);
    if (FileExists(folder + L"\\" + name)) {
      found_ = 1;
      chosenId_ = id;
      folder_ = folder;
      fileName_ = name;
      return result;
    }
  }
  return kNotFound;
}

std::wstring ReadProfileSection(const std::wstring& path, const std::wstring& section) {
  std::wstring buffer(520, L'\0');
  for (;;) {
    const DWORD n = GetPrivateProfileSectionW(section.c_str(), buffer.data(),
                                              static_cast<DWORD>(buffer.size()), path.c_str());
    if (n + 2 < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(buffer.size() + 260, L'\0');
  }
}

void CLangResourceTable::LoadOne(LangSectionKind kind, const std::wstring& sectionName,
                                 const std::wstring& path) {
  const std::wstring text = ReadProfileSection(path, sectionName);
  if (text.empty()) return;
  const CommonLookup lookup = [this](LangSectionKind common, int32_t n) -> std::optional<std::wstring> {
    std::wstring found;
    const NumberedList& list =
        common == LangSectionKind::CommonStrings ? commonStrings_ : commonMessages_;
    if (list.Get(n, found) != 0) return std::nullopt;
    return found;
  };
  for (const LangEntry& entry : ParseLangSection(kind, text, lookup)) {
    switch (kind) {
      case LangSectionKind::CommonStrings: commonStrings_.Put(entry); break;
      case LangSectionKind::CommonMessages: commonMessages_.Put(entry); break;
      case LangSectionKind::WindowStrings: windowStrings_.Put(entry); break;
      case LangSectionKind::WindowMessages: windowMessages_.Put(entry); break;
      case LangSectionKind::Captions: captions_.push_back(std::make_unique<CCaptionResInfo>(entry)); break;
      case LangSectionKind::ComboItems: comboItems_.push_back(std::make_unique<CComboBoxResInfo>(entry)); break;
      case LangSectionKind::ListColumns: listColumns_.push_back(std::make_unique<CListCtrlResInfo>(entry)); break;
    }
  }
}

int32_t CLangResourceTable::LoadSection(const std::wstring& baseName) {
  if (baseName.empty()) return -3;
  if (!found_) return -2;
  const std::wstring path = FilePath();
  LoadOne(LangSectionKind::CommonStrings, L"CMN_STR", path);
  LoadOne(LangSectionKind::CommonMessages, L"CMN_MSG", path);
  LoadOne(LangSectionKind::Captions, baseName + L"_CAP", path);
  LoadOne(LangSectionKind::ComboItems, baseName + L"_CMB", path);
  LoadOne(LangSectionKind::ListColumns, baseName + L"_LSTCTRL", path);
  LoadOne(LangSectionKind::WindowMessages, baseName + L"_MSG", path);
  LoadOne(LangSectionKind::WindowStrings, baseName + L"_STR", path);
  return 0;
}

void CLangResourceTable::ApplyCaptions(HWND window) const {
  if (!window) return;
  for (const auto& entry : captions_) {
    if (HWND child = GetDlgItem(window, entry->id)) SetWindowTextW(child, entry->text.c_str());
  }
}

void CLangResourceTable::ApplyComboBoxItems(HWND window) const {
  if (!window) return;
  for (const auto& entry : comboItems_) {
    HWND combo = GetDlgItem(window, entry->id);
    if (!combo || !entry->IsTargetControl(window)) continue;
    const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry->text.c_str()));
    if (index >= 0) SendMessageW(combo, CB_SETITEMDATA, index, static_cast<LPARAM>(entry->itemData));
  }
}

void CLangResourceTable::ApplyListColumns(HWND window) const {
  if (!window) return;
  for (const auto& entry : listColumns_) {
    HWND list = GetDlgItem(window, entry->id);
    if (!list || !entry->IsTargetControl(window)) continue;
    // The file gives widths in pixels at 96 dots per inch.
    const int dpi = WindowDpi(list);
    const int align = entry->alignment == 1 ? LVCFMT_CENTER
                      : entry->alignment == 2 ? LVCFMT_RIGHT
                                              : LVCFMT_LEFT;
    std::wstring heading = entry->text;
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT;
    if (SendMessageW(list, LVM_GETCOLUMNW, entry->columnIndex, reinterpret_cast<LPARAM>(&column))) {
      column.mask = LVCF_FMT | LVCF_TEXT;
      column.fmt = (column.fmt & ~LVCFMT_JUSTIFYMASK) | align;
      column.pszText = heading.data();
      if (entry->width != -1) {
        column.mask |= LVCF_WIDTH;
        column.cx = ScaleToDpi(entry->width, dpi);
      }
      SendMessageW(list, LVM_SETCOLUMNW, entry->columnIndex, reinterpret_cast<LPARAM>(&column));
    } else {
      column = {};
      column.mask = LVCF_FMT | LVCF_TEXT;
      column.fmt = align;
      column.pszText = heading.data();
      if (entry->width != -1) {
        column.mask |= LVCF_WIDTH;
        column.cx = ScaleToDpi(entry->width, dpi);
      }
      SendMessageW(list, LVM_INSERTCOLUMNW, entry->columnIndex, reinterpret_cast<LPARAM>(&column));
    }
  }
}

int32_t CLangResourceTable::GetString(int32_t number, std::wstring& text) const {
  return windowStrings_.Get(number, text);
}

int32_t CLangResourceTable::GetMessage(int32_t number, std::wstring& text) const {
  return windowMessages_.Get(number, text);
}

std::wstring CLangResourceTable::GetComboItemText(int32_t itemData) const {
  for (const auto& entry : comboItems_) {
    if (entry->id == 1000 && entry->itemData == itemData) return entry->text;
  }
  return {};
}

std::wstring CLangResourceTable::StringOr(int32_t number, const std::wstring& fallback) const {
  std::wstring text;
  return GetString(number, text) == 0 ? text : fallback;
}

std::wstring CLangResourceTable::MessageOr(int32_t number, const std::wstring& fallback) const {
  std::wstring text;
  return GetMessage(number, text) == 0 ? text : fallback;
}

const wchar_t kMissingLanguageFilesProperty[] = L"VXMissingLanguageFilesTold";

void CloseForMissingLanguageFiles(HWND mainWindow) {
  const wchar_t* const kToldProperty = kMissingLanguageFilesProperty;
  if (mainWindow && GetPropW(mainWindow, kToldProperty)) return;
  if (mainWindow) SetPropW(mainWindow, kToldProperty, reinterpret_cast<HANDLE>(1));
  ShowWarningMessage(nullptr, L"Could not find the required files.\nClosing application.");
  if (mainWindow) PostMessageW(mainWindow, WM_CLOSE, 0, 0);
}

bool RespondToLanguageLookup(int32_t result, UtilitySettings& settings, bool& fallbackShown, HWND owner,
                             const std::function<void()>& closeHost) {
  if (result == CLangResourceTable::kNotFound) {
    ShowWarningMessage(owner, L"Could not find the required files.\nClosing application.");
    if (closeHost) closeHost();
    return false;
  }
  if (result == CLangResourceTable::kFoundFallback) {
    if (!fallbackShown) {
      fallbackShown = true;
      ShowWarningMessage(owner, L"Could not find the required files.\nDisplaying the screen in English.");
    }
    settings.langId = 1033;
    CopyText(settings.langIdText, L"0409");
  }
  return true;
}
