// The test programs' main: GoogleTest's own, except for the exit code of a
// run in which a test skipped itself (a peer tool or server is missing) and
// none failed. That run ends with KX_TEST_SKIPPED_EXIT_CODE (set by the
// build, cmake/KxTesting.cmake), which CTest reports as skipped: a machine
// without a peer shows it instead of passing quietly. A failure in the same
// program still fails it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleMock(&argc, argv);
  const int result = RUN_ALL_TESTS();
  if (result == 0 && testing::UnitTest::GetInstance()->skipped_test_count() > 0)
    return KX_TEST_SKIPPED_EXIT_CODE;
  return result;
}
