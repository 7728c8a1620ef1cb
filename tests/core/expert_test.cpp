#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "shell/expert.h"
#include "shell/globals.h"
#include "simide/sim_ide.h"
#include "tests/core/expert_fixture.h"
#include "tests/support/test_environment.h"

namespace {

#if defined(KVX_VARIANT_DELPHI3)
constexpr int Version = 3;
#else
constexpr int Version = 2;
#endif

// The host's expert list holds the object by its TIExpert interface.
kvx::TIExpert* NewExpert() { return new kvx::TKVXExpert; }

TEST(TKVXExpert, IdentifiesItselfToTheHost) {
  kvx::TIExpert* expert = NewExpert();
  EXPECT_EQ(expert->GetVersion(), Version);
  EXPECT_EQ(expert->GetName(), "Corvane Interface");
  EXPECT_EQ(expert->GetAuthor(), "Ostrel");
  EXPECT_EQ(expert->GetComment(), "Corvane Interface");
  EXPECT_EQ(expert->GetIDString(), "Ostrel.Corvane");
  EXPECT_EQ(expert->GetGlyph(), nullptr);
  EXPECT_EQ(expert->GetStyle(), kvx::esAddIn);
  EXPECT_EQ(expert->GetStyle(), 3);
  EXPECT_EQ(expert->GetState(), 0x01);  // {esEnabled}
  EXPECT_EQ(expert->Release(), 0);
}

TEST(TKVXExpert, TheOperationsLeftAbstractFailWhenCalled) {
  kvx::TIExpert* expert = NewExpert();
  EXPECT_THROW(expert->GetPage(), std::logic_error);
  EXPECT_THROW(expert->GetMenuText(), std::logic_error);
  try {
    expert->Execute();
    ADD_FAILURE() << "Execute returned";
  } catch (const std::logic_error& error) {
    EXPECT_STREQ(error.what(), "Abstract Error");
  }
  expert->Release();
}

TEST(ReportException, HandsTheMessageOfTheHandledExceptionToTheHost) {
  simide::SimIde ide;
  kvx::ToolServices = ide.ToolServices();
  try {
    throw std::runtime_error("disk full");
  } catch (...) {
    kvx::ReportException();
  }
  try {
    throw 42;
  } catch (...) {
    kvx::ReportException();
  }
  // Outside a handler there is nothing to report.
  kvx::ReportException();
  EXPECT_EQ(ide.RaisedExceptions(), (std::vector<std::string>{"disk full", "Unknown exception"}));
}

// ---------------------------------------------------------------- the library

class LoadedExpert : public testing::Test {
 protected:
  simide::SimIde ide_;
};

TEST_F(LoadedExpert, TheHostFindsTheEntryPointAndOneExpert) {
  kvxtest::WriteProfile(coretest::ProfileWith("1"));
  const simide::LoadResult loaded = ide_.LoadExpert(KVX_TEST_EXPERT_LIBRARY);
  ASSERT_TRUE(loaded.loaded) << loaded.error;
  EXPECT_TRUE(loaded.entryFound);
  EXPECT_TRUE(loaded.entryResult);
  EXPECT_TRUE(loaded.terminateWritten);
  ASSERT_EQ(ide_.RegisteredExpertCount(), 1);
  kvx::TIExpert* expert = ide_.Experts().at(0);
  EXPECT_EQ(expert->GetName(), "Corvane Interface");
  EXPECT_EQ(expert->GetIDString(), "Ostrel.Corvane");
  EXPECT_EQ(expert->GetVersion(), Version);
  EXPECT_EQ(ide_.AddInNotifierCount(), 1u);

  const simide::EntryCallResult again = ide_.CallEntryPointAgain();
  EXPECT_TRUE(again.called);
  EXPECT_FALSE(again.result);
  EXPECT_FALSE(again.terminateWritten);
  EXPECT_EQ(ide_.RegisteredExpertCount(), 1);
  EXPECT_EQ(ide_.AddInNotifierCount(), 1u);

  ide_.Shutdown();
  EXPECT_FALSE(ide_.ExpertLoaded());
  EXPECT_FALSE(ide_.WindowProcedureLeftSubclassed());
  EXPECT_TRUE(ide_.MessageBoxesShown().empty());
  EXPECT_EQ(ide_.OverReleases(), 0);
}

}  // namespace
