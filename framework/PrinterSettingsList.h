#pragma once
// The printer settings list: the data blocks of the current printer and the
// list of known printers with their "_Setting.DAT" files ("PrinterSetting.INI").

#include <cstdint>
#include <string>
#include <vector>

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

  // Data files.
  [[nodiscard]] int32_t LoadDataFile(const std::wstring& path);
  [[nodiscard]] int32_t SaveDataFile(const std::wstring& modelName, const std::wstring& path,
                                     uint32_t version1, uint32_t version2);

  // Known printers.
  int32_t FindPrinter(const std::wstring& deviceName, const std::wstring& portName) const;
  void AddPrinter(const std::wstring& baseFolder, const std::wstring& deviceName,
                  const std::wstring& portName);
  std::wstring GetPrinterDataPath(const std::wstring& deviceName, const std::wstring& portName) const;
  int32_t PrinterDataFileExists(const std::wstring& deviceName, const std::wstring& portName) const;
  int32_t LoadPrinterList(const std::wstring& iniFolder, const std::wstring& baseFolder);
  int32_t SavePrinterList(const std::wstring& iniFolder);

  const std::vector<PrinterListEntry>& Printers() const { return printers_; }

  int32_t writeFlag = 0;  // data may be saved only when 1

private:
  std::vector<PrinterListEntry> printers_;
};
