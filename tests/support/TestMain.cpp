// The entry point of every test program. A run that executed no test fails
// (a program whose tests were all filtered away or never linked in would
// otherwise pass), and a run with a skipped test ends with kSkippedExitCode,
// which ctest reports as skipped rather than passed.

#include <gtest/gtest.h>

#include <cstdio>

namespace {
constexpr int kSkippedExitCode = 77;

// Names each test as it starts, on the unbuffered error stream, so that a
// program killed by its time limit still tells which test it was in.
class CStartReporter : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo& test) override {
    std::fprintf(stderr, "started %s.%s\n", test.test_suite_name(), test.name());
  }
};
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // What a test prints reaches the log even when the program is killed.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  testing::UnitTest::GetInstance()->listeners().Append(new CStartReporter);
  const int result = RUN_ALL_TESTS();
  if (GTEST_FLAG_GET(list_tests) || result != 0) return result;
  const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
  if (unit.test_to_run_count() == 0) {
    std::fprintf(stderr, "no test ran\n");
    return 1;
  }
  if (unit.skipped_test_count() > 0) {
    std::fprintf(stderr, "%d test(s) skipped\n", unit.skipped_test_count());
    return kSkippedExitCode;
  }
  return 0;
}
