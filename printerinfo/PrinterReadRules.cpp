#include "printerinfo/PrinterReadRules.h"

#include <cstring>

#include "connection/PrinterEntryRules.h"
#include "framework/SharedTypes.h"

namespace {

constexpr std::string_view kSisterModelName = "VX-R200";

// Waits before the next attempt unless the time is up; false when it is.
bool WaitForNextAttempt(IPrinterReadSteps& steps, const ReadRetryLimits& limits, int64_t startedAt) {
  if (steps.NowSeconds() - startedAt > limits.limitSeconds) return false;
  steps.Wait(limits.intervalMs);
  return true;
}

}  // namespace

const wchar_t* DefaultReadMessage(int32_t number) {
  switch (number) {
    case kReadMessageWrongDevice:
      return L"The device ID does not match the connected printer.";
    case kReadMessageCommError:
      return L"A communication error occurred.";
    case kReadMessagePartial:
      return L"Could not get some settings from the printer.";
    default:
      return L"";
  }
}

IdentityResult ReadIdentity(IPrinterReadSteps& steps, const ReadRetryLimits& limits) {
  IdentityResult result;
  if (!steps.HasLibrary()) {
    result.code = kReadNoLibrary;
    return result;
  }
  const int64_t startedAt = steps.NowSeconds();
  const int32_t attempts = limits.attempts > 0 ? limits.attempts : 1;

  bool named = false;
  for (int32_t i = 0; i < attempts && !named; ++i) {
    char buffer[kPrinterNameBytes] = {};
    if (steps.GetPrinterName(buffer, static_cast<int32_t>(sizeof(buffer))) == 1) {
      result.name.assign(buffer, strnlen(buffer, sizeof(buffer)));
      named = true;
    } else if (i + 1 == attempts || !WaitForNextAttempt(steps, limits, startedAt)) {
      break;
    }
  }
  if (!named) {
    result.code = kReadNoAnswer;
    return result;
  }

  int32_t last = kReadNoAnswer;
  for (int32_t i = 0; i < attempts; ++i) {
    int32_t id = 0;
    last = steps.GetDeviceId(&id);
    result.deviceId = id;
    if (last == 1) {
      result.code = 1;
      return result;
    }
    if (i + 1 < attempts && !WaitForNextAttempt(steps, limits, startedAt)) {
      result.code = kReadNoAnswer;
      return result;
    }
  }
  result.code = last;
  return result;
}

bool IsServedModelName(std::string_view name, int32_t startMode) {
  const bool driverInstaller = startMode == static_cast<int32_t>(StartMode::Vtd5) ||
                               startMode == static_cast<int32_t>(StartMode::Vtd5Logo);
  if (!driverInstaller) return name == kSisterModelName;
  // The family rule reads UTF-16; a name byte outside ASCII can only fail it.
  std::wstring wide;
  wide.reserve(name.size());
  for (const char c : name) wide += static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'\xFFFD';
  return MatchesModelFamily(wide);
}

int32_t RunPrinterRead(IPrinterReadSteps& steps, int32_t startMode, const ReadRetryLimits& limits) {
  const int32_t parts = static_cast<int32_t>(steps.LoadedPluginCount()) + 2;
  steps.Progress(0);
  steps.Progress(100 / parts);

  const IdentityResult identity = ReadIdentity(steps, limits);
  if (identity.code != 1) {
    // A printer that gave its name but only a zero device ID is another
    // printer; anything else is a failed conversation.
    const bool otherPrinter = !identity.name.empty() && identity.deviceId == 0;
    steps.ShowMessage(otherPrinter ? kReadMessageWrongDevice : kReadMessageCommError);
    steps.Progress(100);
    return kReadStopped;
  }
  if (!IsServedModelName(identity.name, startMode) || steps.ModelVariant() != 24) {
    steps.ShowMessage(kReadMessageWrongDevice);
    steps.Progress(100);
    return kReadStopped;
  }

  steps.Progress(200 / parts);
  const int32_t information = steps.ReadPrinterInformation();
  bool partial = information != 1;
  const std::size_t plugins = steps.LoadedPluginCount();
  for (std::size_t k = 0; k < plugins; ++k) {
    const int32_t read = steps.ReadPlugin(k);
    steps.Progress((300 + 100 * static_cast<int32_t>(k)) / parts);
    if (read != 1) partial = true;
    if (read == kReadNoAnswer) break;
  }
  steps.Progress(100);
  if (partial) steps.ShowMessage(kReadMessagePartial);
  else steps.AllowSaving();
  return information;
}
