#include "framework/PrinterSettingsList.h"

#include <windows.h>

#include <algorithm>

#include "framework/TextFormat.h"
#include "win/FileName.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace {

const wchar_t kListFile[] = L"PrinterSetting.INI";

std::wstring DataPath(const std::wstring& base, const std::wstring& folder, const std::wstring& device) {
  return FormatText(L"%s\\%s\\%s%s", {base, folder, device, L"_Setting.DAT"});
}

std::wstring ReadKey(const std::wstring& ini, const std::wstring& section, const wchar_t* key) {
  wchar_t value[260] = {};
  GetPrivateProfileStringW(section.c_str(), key, L"", value, static_cast<DWORD>(std::size(value)), ini.c_str());
  return value;
}

int CountSections(const std::wstring& ini) {
  std::wstring names(4096, L'\0');
  for (;;) {
    const DWORD n = GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), ini.c_str());
    if (n + 2 < names.size()) {
      names.resize(n);
      break;
    }
    names.assign(names.size() * 2, L'\0');
  }
  int sections = 0;
  for (wchar_t c : names) sections += c == L'\0';
  return sections;
}

std::wstring SectionName(int index) {
  return FormatText(L"%s_%d", {L"PORT", std::to_wstring(index)});
}

}  // namespace

namespace {

class CFileReader : public IByteReader {
public:
  explicit CFileReader(HANDLE file) : file_(file) {
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file, &size)) remaining_ = static_cast<uint64_t>(size.QuadPart);
  }
  bool Read(uint8_t* buffer, std::size_t size, std::size_t& got) override {
    got = 0;
    while (got < size) {
      DWORD chunk = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - got, 1u << 20));
      if (!ReadFile(file_, buffer + got, want, &chunk, nullptr)) return false;
      if (chunk == 0) break;
      got += chunk;
    }
    remaining_ -= std::min<uint64_t>(remaining_, got);
    return true;
  }
  uint64_t Remaining() const override { return remaining_; }

private:
  HANDLE file_;
  uint64_t remaining_ = 0;
};

std::string Ascii(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

bool WriteAll(HANDLE file, const std::vector<uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!WriteFile(file, bytes.data() + done, want, &chunk, nullptr) || chunk == 0) return false;
    done += chunk;
  }
  return true;
}

// The new bytes go to a file beside the old one, which they replace only once
// they are all on disk: a failed or cut-off save leaves the old file as it was.
bool ReplaceWhole(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  const std::wstring temp = path + L".new";
  {
    CFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const bool written = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
    file.reset();
    if (!written) {
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

// The list as the profile functions read it, in UTF-16 with its mark so that
// any device name survives (a file the profile functions create is ANSI).
std::vector<uint8_t> ListFileBytes(const std::vector<PrinterListEntry>& printers) {
  std::wstring text = L"\xFEFF[INFO]\r\nCOUNT=" + std::to_wstring(printers.size()) + L"\r\n";
  for (std::size_t i = 0; i < printers.size(); ++i) {
    text += L"[" + SectionName(static_cast<int>(i)) + L"]\r\n";
    text += L"DeviceName=" + printers[i].deviceName + L"\r\n";
    text += L"PortName=" + printers[i].portName + L"\r\n";
    text += L"Dir=" + printers[i].folderName + L"\r\n";
  }
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (wchar_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

}  // namespace

int32_t CPrinterSettingsList::LoadDataFile(const std::wstring& path) {
  if (!FileExists(path)) return kNoDataFile;
  CFile file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return kNoDataFile;
  CFileReader reader(file.get());
  return LoadBlocks(reader, blocks_);
}

int32_t CPrinterSettingsList::SaveDataFile(const std::wstring& modelName, const std::wstring& path,
                                           uint32_t version1, uint32_t version2) {
  if (writeFlag != 1 || path.empty()) return 0;
  const std::wstring folder = FolderOf(path);
  if (!folder.empty()) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES && !CreateDirectoryW(folder.c_str(), nullptr)) return 0;
  }
  std::vector<uint8_t> bytes;
  try {
    bytes = SerializeDataFile(blocks_, Ascii(modelName), version1, version2);
  } catch (...) {
    return 0;
  }
  return ReplaceWhole(path, bytes) ? 1 : 0;
}

int32_t CPrinterSettingsList::FindPrinter(const std::wstring& deviceName, const std::wstring& portName) const {
  if (deviceName.empty()) return -1;
  for (std::size_t i = 0; i < printers_.size(); ++i) {
    if (printers_[i].deviceName == deviceName && printers_[i].portName == portName) {
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

void CPrinterSettingsList::AddPrinter(const std::wstring& baseFolder, const std::wstring& deviceName,
                                      const std::wstring& portName) {
  if (FindPrinter(deviceName, portName) != -1 || !IsBareName(deviceName)) return;
  PrinterListEntry entry;
  entry.deviceName = deviceName;
  entry.portName = portName;
  entry.folderName = FreeFolderName(baseFolder);
  if (entry.folderName.empty()) return;
  entry.dataPath = DataPath(baseFolder, entry.folderName, deviceName);
  printers_.push_back(std::move(entry));
}

// A folder left on disk (by an earlier installation, or a list that was
// lost) may hold another printer's settings: a new printer never moves in.
std::wstring CPrinterSettingsList::FreeFolderName(const std::wstring& baseFolder) const {
  constexpr std::size_t kTries = 10000;
  for (std::size_t n = printers_.size(); n < printers_.size() + kTries; ++n) {
    const std::wstring name = L"PORT_" + std::to_wstring(n);
    const bool listed = std::any_of(printers_.begin(), printers_.end(), [&](const PrinterListEntry& p) {
      return _wcsicmp(p.folderName.c_str(), name.c_str()) == 0;
    });
    if (listed) continue;
    // Only a name known to be unused is free; one that cannot be looked at is not.
    if (GetFileAttributesW((baseFolder + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return name;
  }
  return {};
}

std::wstring CPrinterSettingsList::GetPrinterDataPath(const std::wstring& deviceName,
                                                      const std::wstring& portName) const {
  const int32_t index = FindPrinter(deviceName, portName);
  return index < 0 ? std::wstring() : printers_[index].dataPath;
}

int32_t CPrinterSettingsList::PrinterDataFileExists(const std::wstring& deviceName,
                                                    const std::wstring& portName) const {
  const int32_t index = FindPrinter(deviceName, portName);
  return index >= 0 && FileExists(printers_[index].dataPath) ? 1 : 0;
}

int32_t CPrinterSettingsList::LoadPrinterList(const std::wstring& iniFolder, const std::wstring& baseFolder) {
  const std::wstring ini = iniFolder + L"\\" + kListFile;
  if (!FileExists(ini)) return 0;
  int count = static_cast<int>(GetPrivateProfileIntW(L"INFO", L"COUNT", 0, ini.c_str()));
  // Every entry has a section of its own: a count beyond the sections the
  // file holds is a damaged file, not a reason to read billions of keys.
  count = std::min(count, CountSections(ini));
  for (int i = 0; i < count; ++i) {
    const std::wstring section = SectionName(i);
    PrinterListEntry entry;
    entry.deviceName = ReadKey(ini, section, L"DeviceName");
    entry.portName = ReadKey(ini, section, L"PortName");
    entry.folderName = ReadKey(ini, section, L"Dir");
    // Anyone may edit the file: an entry whose path would lead outside the
    // base folder is left out, and the printer gets a new folder of its own.
    if (!IsBareName(entry.folderName) || !IsBareName(entry.deviceName)) continue;
    entry.dataPath = DataPath(baseFolder, entry.folderName, entry.deviceName);
    printers_.push_back(std::move(entry));
  }
  return static_cast<int32_t>(printers_.size());
}

int32_t CPrinterSettingsList::SavePrinterList(const std::wstring& iniFolder) {
  if (printers_.empty()) return 0;
  std::vector<uint8_t> bytes;
  try {
    bytes = ListFileBytes(printers_);
  } catch (...) {
    return 0;
  }
  if (!ReplaceWhole(iniFolder + L"\\" + kListFile, bytes)) return 0;
  return static_cast<int32_t>(printers_.size());
}
