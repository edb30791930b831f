#include "printerinfo/PrnInfoValue.h"

#include <charconv>
#include <cstring>

std::optional<int32_t> ParsePrinterInfoValue(char (&buffer)[256]) {
  buffer[sizeof(buffer) - 1] = '\0';  // a library that fills the whole buffer must not overrun us
  const char* const end = buffer + std::strlen(buffer);
  int32_t value = 0;
  // from_chars takes no leading blank or plus sign, and what it leaves
  // unread makes the answer malformed: "1abc" is not item value 1.
  const auto [stop, error] = std::from_chars(buffer, end, value, 10);
  if (error != std::errc() || stop != end || stop == buffer) return std::nullopt;
  return value;
}

int32_t ClassifyModelVariant(std::optional<int32_t> item117) {
  if (!item117) return -1;
  if (*item117 == 1) return 24;
  if (*item117 == 0) return 9;
  return -1;
}
