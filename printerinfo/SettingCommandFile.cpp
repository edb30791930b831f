#include "printerinfo/SettingCommandFile.h"

#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "framework/PrinterSettingsList.h"
#include "framework/SettingsBlocks.h"
#include "printerinfo/SettingCommandFormat.h"

namespace sf = setting_file;

namespace {

// A failed system call's code: three of the system's errors have codes of
// their own, the rest take the step's.
int32_t Failure(int32_t stepCode) {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND: return sf::kNoOutputPath;
    case ERROR_INVALID_ACCESS: return sf::kNoMemory;
    case ERROR_OUT_OF_PAPER: return sf::kOutOfPaper;
    default: return stepCode;
  }
}

class CFile {
public:
  explicit CFile(HANDLE h) : h_(h) {}
  ~CFile() { Close(); }
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  bool Close() {
    const bool closed = h_ == INVALID_HANDLE_VALUE || CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return closed;
  }

private:
  HANDLE h_;
};

int32_t ReadLogo(const wchar_t* path, sf::LogoKind& kind, std::vector<uint8_t>& logo) {
  CFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return Failure(sf::kCannotOpenLogo);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return Failure(sf::kCannotRead);
  // The sender refuses a larger logo part: such a file could not be sent.
  if (size.QuadPart < 3 || static_cast<uint64_t>(size.QuadPart) > sf::kMaxLogoBytes) return sf::kBadLogo;
  logo.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD got = 0;
  if (!ReadFile(file.Get(), logo.data(), static_cast<DWORD>(logo.size()), &got, nullptr)) {
    return Failure(sf::kCannotRead);
  }
  if (got != logo.size()) return sf::kCannotRead;
  kind = sf::LogoPartKind(logo.data(), logo.size());
  return kind == sf::LogoKind::None ? sf::kBadLogo : 0;
}

// The device name in the ANSI code page, cut at a character boundary so that
// it fits its header field.
std::string DeviceNameText(const wchar_t* name) {
  if (!name) return {};
  std::wstring wide(name);
  while (!wide.empty()) {
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (bytes > 0 && static_cast<std::size_t>(bytes) <= sf::kDeviceNameMaxBytes) {
      std::string text(static_cast<std::size_t>(bytes), '\0');
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes, nullptr, nullptr);
      return text;
    }
    const bool pair = wide.size() >= 2 && IS_LOW_SURROGATE(wide.back()) && IS_HIGH_SURROGATE(wide[wide.size() - 2]);
    wide.resize(wide.size() - (pair ? 2 : 1));
  }
  return {};
}

// Writes the file whole or not at all: into a file beside the target, which
// then replaces it, so that a failed write leaves an earlier file as it was.
int32_t WriteWhole(const wchar_t* outputPath, const std::vector<uint8_t>& bytes) {
  const std::wstring temporary = std::wstring(outputPath) + L".part";
  CFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return Failure(sf::kCannotCreate);
  DWORD done = 0;
  int32_t result = 0;
  if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr)) {
    result = Failure(sf::kCannotWrite);
  } else if (done != bytes.size() || !FlushFileBuffers(file.Get())) {
    result = sf::kCannotWrite;
  }
  if (!file.Close() && result == 0) result = sf::kCannotWrite;
  if (result == 0 && !MoveFileExW(temporary.c_str(), outputPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    result = Failure(sf::kCannotCreate);
  }
  if (result != 0) DeleteFileW(temporary.c_str());
  return result;
}

// The header's text: the device name and the local time.
sf::HeaderText HeaderNow(const wchar_t* deviceName) {
  sf::HeaderText text;
  text.deviceName = DeviceNameText(deviceName);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  text.month = now.wMonth;
  text.day = now.wDay;
  text.year = now.wYear;
  text.hour = now.wHour;
  text.minute = now.wMinute;
  return text;
}

}  // namespace

int32_t WriteSettingCommandPart(const std::vector<uint8_t>& commands, const wchar_t* deviceName,
                                const wchar_t* outputPath) {
  try {
    if (!outputPath || !*outputPath) return sf::kNoOutputPath;
    if (commands.size() > sf::kWorkArea) return sf::kCannotRead;
    return WriteWhole(outputPath, sf::BuildFile(HeaderNow(deviceName), sf::LogoKind::None, {}, commands));
  } catch (const std::bad_alloc&) {
    return sf::kNoMemory;
  } catch (...) {
    return sf::kCannotRead;
  }
}

int32_t WriteSettingCommandFile(const CPrinterSettingsList& list, const wchar_t* logoPath, int32_t logoPresent,
                                const wchar_t* deviceName, const wchar_t* outputPath) {
  try {
    if (!outputPath || !*outputPath) return sf::kNoOutputPath;
    sf::LogoKind kind = sf::LogoKind::None;
    std::vector<uint8_t> logo;
    if (logoPresent == 1) {
      if (!logoPath || !*logoPath) return sf::kCannotOpenLogo;
      if (const int32_t read = ReadLogo(logoPath, kind, logo); read != 0) return read;
    }
    std::vector<uint8_t> commands;
    const int32_t built = sf::BuildCommandPart(
        [&list](int32_t id, uint8_t* buffer, uint32_t length) {
          return list.ReadBlock(id, buffer, length) == kSettingsOk;
        },
        commands);
    if (built != 0) return built;

    const sf::HeaderText text = HeaderNow(deviceName);
    return WriteWhole(outputPath, sf::BuildFile(text, kind, logo, commands));
  } catch (const std::bad_alloc&) {
    return sf::kNoMemory;
  } catch (...) {
    return sf::kCannotRead;
  }
}
