// Test programs start here: before any test runs, the process gets its own
// DDE socket directory and profile file (inherited by child processes).
#include <cstdlib>
#include <string>

#include <gmock/gmock.h>

#include "tests/support/test_environment.h"

int main(int argc, char** argv) {
  const std::string& scratch = kvxtest::ScratchDirectory();
  const std::string ddeDirectory = scratch + "/dde";
  setenv("WINSUB_DDE_DIR", ddeDirectory.c_str(), 1);
  setenv("WINSUB_WIN_INI", kvxtest::ProfilePath().c_str(), 1);
  testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
