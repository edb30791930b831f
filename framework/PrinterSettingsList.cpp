#include "framework/PrinterSettingsList.h"

#include <windows.h>

#include "framework/TextFormat.h"
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

std::wstring SectionName(int index) {
  return FormatText(L"%s_%d", {L"PORT", std::to_wstring(index)});
}

}  // namespace

int32_t CPrinterSettingsList::LoadDataFile(const std::wstring& path) {
  return FileExists(path) ? -7 : -2;
}

int32_t CPrinterSettingsList::SaveDataFile(const std::wstring&, const std::wstring&, uint32_t, uint32_t) {
  return 0;
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
  if (FindPrinter(deviceName, portName) != -1) return;
  PrinterListEntry entry;
  entry.deviceName = deviceName;
  entry.portName = portName;
  entry.folderName = L"PORT_" + std::to_wstring(printers_.size());
  entry.dataPath = DataPath(baseFolder, entry.folderName, deviceName);
  printers_.push_back(std::move(entry));
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
  const int count = static_cast<int>(GetPrivateProfileIntW(L"INFO", L"COUNT", 0, ini.c_str()));
  for (int i = 0; i < count; ++i) {
    const std::wstring section = SectionName(i);
    PrinterListEntry entry;
    entry.deviceName = ReadKey(ini, section, L"DeviceName");
    entry.portName = ReadKey(ini, section, L"PortName");
    entry.folderName = ReadKey(ini, section, L"Dir");
    entry.dataPath = DataPath(baseFolder, entry.folderName, entry.deviceName);
    printers_.push_back(std::move(entry));
  }
  return static_cast<int32_t>(printers_.size());
}

int32_t CPrinterSettingsList::SavePrinterList(const std::wstring& iniFolder) {
  if (printers_.empty()) return 0;
  const std::wstring ini = iniFolder + L"\\" + kListFile;
  WritePrivateProfileStringW(L"INFO", L"COUNT", std::to_wstring(printers_.size()).c_str(), ini.c_str());
  for (std::size_t i = 0; i < printers_.size(); ++i) {
    const std::wstring section = SectionName(static_cast<int>(i));
    WritePrivateProfileStringW(section.c_str(), L"DeviceName", printers_[i].deviceName.c_str(), ini.c_str());
    WritePrivateProfileStringW(section.c_str(), L"PortName", printers_[i].portName.c_str(), ini.c_str());
    WritePrivateProfileStringW(section.c_str(), L"Dir", printers_[i].folderName.c_str(), ini.c_str());
  }
  return static_cast<int32_t>(printers_.size());
}
