// Any byte string as a setting command file: the sender's check must answer
// with a result, never crash, hang or read past the input; a file it passes
// must be one the writer could have written, and be refused once cut short.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "printerinfo/SettingCommandFormat.h"

namespace sf = setting_file;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Copied so that a read past the end is one past a heap block (ASan sees it).
  const std::vector<uint8_t> file(data, data + size);
  // The bytes as a logo part: whole commands are not whole once cut short.
  if (sf::LogoPartKind(file.data(), file.size()) != sf::LogoKind::None &&
      sf::LogoPartKind(file.data(), file.size() - 1) != sf::LogoKind::None) {
    __builtin_trap();
  }
  sf::ParsedFile parsed;
  if (sf::CheckFile(file.data(), file.size(), &parsed) != sf::Check::Ok) return 0;
  if (parsed.commandsAt + parsed.commandLength != size || parsed.logoAt + parsed.logoLength != parsed.commandsAt) {
    __builtin_trap();
  }
  if (sf::CheckFile(file.data(), file.size() - 1, nullptr) == sf::Check::Ok) __builtin_trap();
  for (const auto& s : parsed.switches) {
    for (char c : s.characters) {
      if (c != '0' && c != '1' && c != '2') __builtin_trap();
    }
  }
  return 0;
}
