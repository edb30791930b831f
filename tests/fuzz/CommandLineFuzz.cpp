// Any command line, and any SETTING.INI text: the utility's switches must end
// in bounded, terminated texts and a known start mode, and the language id and the
// port dialog's interface kinds read without a crash.
#include <cwchar>

#include "app/ExtCommandLineInfo.h"
#include "app/SettingsRules.h"
#include "tests/fuzz/FuzzText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::wstring> args = WideArguments(data, size);
  CExtCommandLineInfo info;
  info.ParseArguments(args);
  for (const wchar_t* text : {info.portArg, info.queueArg, info.remoteArg, info.fileArg}) {
    if (wcsnlen(text, kTextUnits) >= kTextUnits) __builtin_trap();
  }

  // The same pieces as SETTING.INI values and language-file messages.
  (void)ParseLangId(args.front());
  InterfaceKindSources sources;
  sources.readSupportCommIF = [&](const wchar_t* key, int32_t defaultValue) -> int32_t {
    const std::size_t at = (std::wcslen(key) * 7) % (size + 1);
    return at + 4 <= size ? static_cast<int32_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                                                 static_cast<uint32_t>(data[at + 3]) << 24)
                          : defaultValue;
  };
  sources.portDialogMessage = [&](int number) -> std::optional<std::wstring> {
    if (args.size() < 2 || number < 0) return std::nullopt;
    return args[static_cast<std::size_t>(number) % args.size()];
  };
  // Any value may come out (the port dialog keeps only the kinds it knows);
  // what is checked here is the reading itself.
  volatile int32_t sink = ReadInterfaceKinds(sources).defaultKind;
  (void)sink;
  return 0;
}
