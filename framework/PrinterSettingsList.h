#pragma once
// The printer settings list: the data blocks of the current printer and the
// list of known printers with their "_Setting.DAT" files ("PrinterSetting.INI").

#include <cstdint>
#include <string>
#include <vector>

#include "framework/SettingsBlocks.h"

struct PrinterListEntry {
  std::wstring deviceName;
  std::wstring portName;
  std::wstring folderName;  // "PORT_" and a number
  std::wstring dataPath;    // base folder\folder\device name_Setting.DAT
};

class CPrinterSettingsList {
public:
  CPrinterSettingsList() = default;
  CPrinterSettingsList(const CPrinterSettingsList&) = delete;
  CPrinterSettingsList& operator=(const CPrinterSettingsList&) = delete;

  // Data blocks of the current printer.
  [[nodiscard]] int32_t RegisterBlock(int32_t id, int32_t version, int64_t size) {
    return blocks_.RegisterBlock(id, version, size);
  }
  int32_t FindBlock(int32_t id) const { return blocks_.FindBlock(id); }
  [[nodiscard]] int32_t WriteBlock(int32_t id, uint32_t size, uint8_t* data) {
    return blocks_.WriteBlock(id, size, data);
  }
  [[nodiscard]] int32_t ReadBlock(int32_t id, uint8_t* buffer, uint32_t length) const {
    return blocks_.ReadBlock(id, buffer, length);
  }
  void RemoveBlock(std::size_t index) { blocks_.RemoveBlock(index); }
  void RemoveAllBlocks() { blocks_.RemoveAllBlocks(); }
  const CSettingsBlocks& Blocks() const { return blocks_; }

  // Data files. A save goes to a temporary file beside the old one, which is
  // replaced only once the new file is complete.
  [[nodiscard]] int32_t LoadDataFile(const std::wstring& path);
  [[nodiscard]] int32_t SaveDataFile(const std::wstring& modelName, const std::wstring& path,
                                     uint32_t version1, uint32_t version2);

  // Known printers.
  int32_t FindPrinter(const std::wstring& deviceName, const std::wstring& portName) const;
  // A printer not listed yet gets a data folder of its own under baseFolder;
  // one whose device name is not a bare name gets no entry, so no path.
  void AddPrinter(const std::wstring& baseFolder, const std::wstring& deviceName,
                  const std::wstring& portName);
  std::wstring GetPrinterDataPath(const std::wstring& deviceName, const std::wstring& portName) const;
  int32_t PrinterDataFileExists(const std::wstring& deviceName, const std::wstring& portName) const;
  // Adds the entries of PrinterSetting.INI and answers how many are listed.
  // An entry whose folder or device name is not a bare name (IsBareName) is
  // left out: its path would lead outside the base folder.
  int32_t LoadPrinterList(const std::wstring& iniFolder, const std::wstring& baseFolder);
  // The number of printers saved; 0 when the list is empty or could not be
  // written whole, and the file saved before is then left as it was.
  int32_t SavePrinterList(const std::wstring& iniFolder);

  const std::vector<PrinterListEntry>& Printers() const { return printers_; }

  int32_t writeFlag = 0;  // data may be saved only when 1

private:
  // "PORT_" and the first number from the list's size on that neither an
  // entry nor anything on disk uses; empty when none is found.
  std::wstring FreeFolderName(const std::wstring& baseFolder) const;

  CSettingsBlocks blocks_;
  std::vector<PrinterListEntry> printers_;
};
