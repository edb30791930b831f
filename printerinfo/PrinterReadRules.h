#pragma once
// The printer read: who the connected printer is (name, then device ID, with
// retries under a time limit), then its information and the settings of every
// loaded plug-in, reported as progress. No <windows.h>: the steps that talk to
// the printer or show something are behind IPrinterReadSteps, so the order,
// the limits and the messages are tested natively.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int32_t kReadNoLibrary = -24;  // library or one of its functions missing, or no handle
constexpr int32_t kReadNoAnswer = -64;   // no answer within the attempts or the time limit
constexpr int32_t kReadStopped = -67;    // stopped after a message

// Messages of the read, by number (section "PRINTER_SETTING_VIEW").
enum ReadMessage : int32_t {
  kReadMessageWrongDevice = 0,   // "The device ID does not match the connected printer."
  kReadMessageCommError = 1,     // "A communication error occurred."
  kReadMessagePartial = 2,       // "Could not get some settings from the printer."
};
// The English text of a message.
const wchar_t* DefaultReadMessage(int32_t number);

struct ReadRetryLimits {
  int32_t attempts = 20;
  int32_t intervalMs = 1000;
  int64_t limitSeconds = 45;  // since the identity read began
};

constexpr std::size_t kPrinterNameBytes = 90;

class IPrinterReadSteps {
public:
  virtual ~IPrinterReadSteps() = default;
  // The printer-information library is bound and has a handle.
  virtual bool HasLibrary() const = 0;
  // The library's answers (1 = success).
  virtual int32_t GetPrinterName(char* buffer, int32_t size) = 0;
  virtual int32_t GetDeviceId(int32_t* value) = 0;
  // 24 served model, 9 sister model, -1 unknown (information item 117).
  virtual int32_t ModelVariant() = 0;
  // Writes the printer's information to its block; 1 on success.
  virtual int32_t ReadPrinterInformation() = 0;
  // The loaded plug-ins, in menu order, and the read of one of them.
  virtual std::size_t LoadedPluginCount() const = 0;
  virtual int32_t ReadPlugin(std::size_t index) = 0;
  virtual void Progress(int32_t percent) = 0;
  virtual void ShowMessage(int32_t number) = 0;
  // The whole read came through: the settings may be saved at exit.
  virtual void AllowSaving() = 0;
  // Wall-clock seconds, and waiting.
  virtual int64_t NowSeconds() = 0;
  virtual void Wait(int32_t ms) = 0;
};

struct IdentityResult {
  int32_t code = 0;  // 1, or a failure code
  std::string name;  // as the printer answered (OEM code page), cut at its end
  int32_t deviceId = 0;
};

// The name, then the device ID; each up to `attempts` times, giving up with
// -64 once more than `limitSeconds` passed since the start. -24 without the
// library; after the last failed device-ID attempt, that attempt's code.
IdentityResult ReadIdentity(IPrinterReadSteps& steps, const ReadRetryLimits& limits = {});

// Whether the name a printer reports belongs to the served model: the sister
// model's name "VX-R200", exactly, or in the two driver-installer start
// modes anything of its family ("VX-R200II", "VX-R200 xyz").
bool IsServedModelName(std::string_view name, int32_t startMode);

// The whole read. Returns the printer-information read's result, or -67 when
// it stopped after a message (then nothing was written).
int32_t RunPrinterRead(IPrinterReadSteps& steps, int32_t startMode, const ReadRetryLimits& limits = {});
