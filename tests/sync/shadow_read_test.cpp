// Reading a shadow file back: never more than the room the pull has for it.
#include <string>

#include <gtest/gtest.h>

#include "sync/shadow_read.h"
#include "tests/support/test_environment.h"

namespace {

TEST(ShadowRead, AFileLargerThanTheRoomIsNotTakenThisTime) {
  const std::string name = kvxtest::MakeScratchSubdirectory("read") + "/unit.0.pas";
  const std::string bytes(100, 'q');
  kvxtest::WriteFileBytes(name, bytes);
  struct Case {
    std::size_t limit;
    bool taken;
  };
  for (const Case c : {Case{50, false}, Case{99, false}, Case{100, true}, Case{10001, true}}) {
    SCOPED_TRACE(c.limit);
    std::string text = "stale";
    EXPECT_EQ(kvx::ReadShadowText(name, c.limit, text), c.taken);
    EXPECT_EQ(text, c.taken ? bytes : "");
  }
  std::string text;
  EXPECT_FALSE(kvx::ReadShadowText(name + ".missing", 10001, text));
}

}  // namespace
