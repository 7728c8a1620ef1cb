// The tracked-module table on its own: search, removal and order.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/globals.h"
#include "sync/tracked_modules.h"

namespace {

class TrackedTable : public testing::Test {
 protected:
  void TearDown() override {
    for (kvx::KvxModuleNotifier* record : made_) record->Release();
    kvx::TrackedCount = 0;
  }
  void Fill(const std::vector<std::string>& names) {
    kvx::TrackedCount = 0;
    for (const std::string& name : names) {
      auto* record = new kvx::KvxModuleNotifier;
      record->FileName = name;
      made_.push_back(record);
      kvx::TrackedModules[++kvx::TrackedCount] = record;
    }
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (uint16_t i = 1; i <= kvx::TrackedCount; ++i) names.push_back(kvx::TrackedModules[i]->FileName);
    return names;
  }
  std::vector<kvx::KvxModuleNotifier*> made_;
};

TEST_F(TrackedTable, FindsTheExactNameOnly) {
  Fill({});
  EXPECT_EQ(kvx::FindTrackedModule(""), 0);
  EXPECT_EQ(kvx::FindTrackedModule("/src/a.pas"), 0);
  Fill({"/src/A.pas", "/src/a.pas", "/src/b.pas"});
  EXPECT_EQ(kvx::FindTrackedModule("/src/A.pas"), 1);
  EXPECT_EQ(kvx::FindTrackedModule("/src/a.pas"), 2);
  EXPECT_EQ(kvx::FindTrackedModule("/src/b.pas"), 3);
  EXPECT_EQ(kvx::FindTrackedModule("/src/B.pas"), 0);
  EXPECT_EQ(kvx::FindTrackedModule("/src/b.pas "), 0);
}

TEST_F(TrackedTable, RemovalKeepsTheOrderOfTheRest) {
  struct Case {
    uint16_t index;
    std::vector<std::string> left;
  };
  const Case cases[] = {
      {0, {"a", "b", "c"}},
      {1, {"b", "c"}},
      {2, {"a", "c"}},
      {3, {"a", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    Fill({"a", "b", "c"});
    kvx::KvxModuleNotifier* removed = c.index == 0 ? nullptr : kvx::TrackedModules[c.index];
    kvx::DeleteTrackedEntry(c.index);
    EXPECT_EQ(Names(), c.left);
    if (removed != nullptr) {
      // The removed record itself is left as it was.
      EXPECT_EQ(removed->FileName, std::string(1, static_cast<char>('a' + c.index - 1)));
    }
  }
}

TEST_F(TrackedTable, ForgetRemovesByNameAndIgnoresUnknownNames) {
  Fill({"a", "b", "c"});
  kvx::ForgetTrackedModule("x");
  kvx::ForgetTrackedModule("B");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));
  kvx::ForgetTrackedModule("b");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a", "c"}));
  kvx::ForgetTrackedModule("a");
  kvx::ForgetTrackedModule("c");
  EXPECT_EQ(kvx::TrackedCount, 0);
}

}  // namespace
