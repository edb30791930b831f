// The printer-information library's item answers as the utility reads them.

#include "printerinfo/PrnInfoValue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::optional<int32_t> Parse(const std::string& answer) {
  char buffer[256] = {};
  std::memcpy(buffer, answer.data(), std::min(answer.size(), sizeof(buffer)));
  return ParsePrinterInfoValue(buffer);
}

TEST(PrnInfoValue, OnlyAWholeDecimalNumberIsAValue) {
  const struct {
    const char* fault;
    std::string answer;
    std::optional<int32_t> value;
  } cases[] = {
      {"the adjustable flag missed", "1", 1},
      {"zero taken for no answer", "0", 0},
      {"a negative value refused", "-12", -12},
      {"leading zeros misread", "007", 7},
      {"an empty answer taken for 0", "", std::nullopt},
      {"trailing garbage ignored", "1abc", std::nullopt},
      {"a leading blank skipped", " 1", std::nullopt},
      {"a trailing blank ignored", "1 ", std::nullopt},
      {"a plus sign taken", "+1", std::nullopt},
      {"a bare sign taken for 0", "-", std::nullopt},
      {"hexadecimal taken", "0x1", std::nullopt},
      {"an overflow wrapped round", "2147483648", std::nullopt},
      {"the largest value refused", "2147483647", 2147483647},
      {"the smallest value refused", "-2147483648", -2147483647 - 1},
      {"text taken for a number", "VX-R500", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.answer), c.value) << c.fault;
}

TEST(PrnInfoValue, AnswerFillingTheWholeBufferIsCutAtItsEnd) {
  // catches: a read up to a terminator the library never wrote
  char buffer[256];
  std::memset(buffer, '0', sizeof(buffer));
  buffer[255] = '9';
  EXPECT_EQ(ParsePrinterInfoValue(buffer), std::optional<int32_t>(0));
  EXPECT_EQ(buffer[255], '\0');
}

TEST(PrnInfoValue, ModelVariantOfItem117) {
  const struct {
    std::optional<int32_t> item117;
    int32_t variant;
  } cases[] = {{1, 24}, {0, 9}, {2, -1}, {-1, -1}, {std::nullopt, -1}};
  for (const auto& c : cases) EXPECT_EQ(ClassifyModelVariant(c.item117), c.variant) << c.item117.value_or(-999);
}

}  // namespace
