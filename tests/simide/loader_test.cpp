// Loading an expert library by its entry point, and shutting it down.
#include <dlfcn.h>
#include <stdlib.h>

#include <string>

#include "tests/simide/host_fixture.h"
#include "tests/simide/test_expert_log.h"

namespace simidetest {
namespace {

// Keeps the test expert loaded beyond the host's dlclose, to read its log.
class LoaderTest : public HostTest {
 protected:
  void SetUp() override {
    handle_ = dlopen(SIMIDE_TEST_EXPERT, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    auto logProc = reinterpret_cast<TestExpertLogProc>(dlsym(handle_, "SimideTestExpertLog"));
    ASSERT_NE(logProc, nullptr);
    log = logProc();
  }
  void TearDown() override {
    if (ide.ExpertLoaded()) ide.Shutdown();
    if (handle_ != nullptr) dlclose(handle_);
    unsetenv("SIMIDE_TEST_EXPERT_REFUSE");
    unsetenv("SIMIDE_TEST_EXPERT_SUBCLASS");
  }

  TestExpertLog* log = nullptr;

 private:
  void* handle_ = nullptr;
};

TEST_F(LoaderTest, EntryPointOfTheVariantGetsTheHostsServices) {
  const simide::LoadResult loaded = ide.LoadExpert(SIMIDE_TEST_EXPERT);
  ASSERT_TRUE(loaded.loaded) << loaded.error;
  EXPECT_TRUE(loaded.entryFound);
  EXPECT_TRUE(loaded.entryResult);
  EXPECT_TRUE(loaded.terminateWritten);
  EXPECT_TRUE(ide.HasTerminateProcedure());
#if defined(KVX_VARIANT_DELPHI3)
  EXPECT_STREQ(simide::SimIde::EntryPointName(), "INITEXPERT0017");
  EXPECT_EQ(log->calls0017, 1);
  EXPECT_EQ(log->calls0016, 0);
#else
  EXPECT_STREQ(simide::SimIde::EntryPointName(), "INITEXPERT0016");
  EXPECT_EQ(log->calls0016, 1);
  EXPECT_EQ(log->calls0017, 0);
#endif
  EXPECT_EQ(log->services, ide.ToolServices());
  EXPECT_EQ(log->parentAtEntry, ide.ParentWindow());
  EXPECT_TRUE(log->registerAnswered);
  EXPECT_EQ(ide.RegisteredExpertCount(), 1);
  ASSERT_EQ(ide.Experts().size(), 1u);
  EXPECT_EQ(ide.Experts()[0]->GetName(), "Test Expert");

  EXPECT_EQ(ide.AddInNotifierCount(), 1u);
  ASSERT_TRUE(ide.OpenFile(MakeFile("unit1.pas", "")));
  EXPECT_EQ(log->fileNotifications, 2) << "opening and opened";
}

TEST_F(LoaderTest, SecondEntryCallIsReported) {
  ASSERT_TRUE(ide.LoadExpert(SIMIDE_TEST_EXPERT).loaded);
  const simide::EntryCallResult again = ide.CallEntryPointAgain();
  EXPECT_TRUE(again.called);
  EXPECT_FALSE(again.result);
  EXPECT_FALSE(again.terminateWritten);
  EXPECT_EQ(ide.RegisteredExpertCount(), 1);
  EXPECT_EQ(log->calls0016 + log->calls0017, 2);
}

TEST_F(LoaderTest, ShutdownTerminatesThenReleasesWhatTheHostHolds) {
  ASSERT_TRUE(ide.LoadExpert(SIMIDE_TEST_EXPERT).loaded);
  ide.Shutdown();
  EXPECT_TRUE(log->terminateCalled);
  EXPECT_TRUE(log->expertAliveAtTerminate) << "experts are released after the terminate procedure";
  EXPECT_TRUE(log->expertDestroyed);
  EXPECT_TRUE(log->notifierDestroyed);
  EXPECT_FALSE(ide.ExpertLoaded());
  EXPECT_FALSE(ide.WindowProcedureLeftSubclassed());
  EXPECT_FALSE(ide.CallEntryPointAgain().called);
  EXPECT_EQ(ide.LiveObjects().Of(simide::ObjectKind::ToolServices), 1) << "never released by the expert";
}

TEST_F(LoaderTest, RefusingEntryPointUnloadsAfterTerminating) {
  setenv("SIMIDE_TEST_EXPERT_REFUSE", "1", 1);
  const simide::LoadResult loaded = ide.LoadExpert(SIMIDE_TEST_EXPERT);
  EXPECT_FALSE(loaded.loaded);
  EXPECT_TRUE(loaded.entryFound);
  EXPECT_FALSE(loaded.entryResult);
  EXPECT_FALSE(loaded.error.empty());
  EXPECT_TRUE(log->terminateCalled);
  EXPECT_FALSE(ide.ExpertLoaded());
}

TEST_F(LoaderTest, SubclassLeftInPlaceIsUndoneBeforeUnloading) {
  setenv("SIMIDE_TEST_EXPERT_SUBCLASS", "1", 1);
  ASSERT_TRUE(ide.LoadExpert(SIMIDE_TEST_EXPERT).loaded);
  EXPECT_NE(GetWindowLongPtrA(ide.ParentWindow(), GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(simide::IdeWindows::OwnProcedure()));
  ide.Shutdown();
  EXPECT_TRUE(ide.WindowProcedureLeftSubclassed());
  EXPECT_EQ(GetWindowLongPtrA(ide.ParentWindow(), GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(simide::IdeWindows::OwnProcedure()));
  ide.DeactivateApp();
  EXPECT_EQ(ide.CountMessages(ide.ParentWindow(), WM_ACTIVATEAPP), 1);
}

TEST_F(LoaderTest, LibrariesThatCannotServe) {
  simide::LoadResult missing = ide.LoadExpert(File("absent.so"));
  EXPECT_FALSE(missing.loaded);
  EXPECT_FALSE(missing.entryFound);
  EXPECT_FALSE(missing.error.empty());

  simide::LoadResult noEntry = ide.LoadExpert(SIMIDE_NO_ENTRY_LIBRARY);
  EXPECT_FALSE(noEntry.loaded);
  EXPECT_FALSE(noEntry.entryFound);
  EXPECT_NE(noEntry.error.find(simide::SimIde::EntryPointName()), std::string::npos) << noEntry.error;
  EXPECT_FALSE(ide.ExpertLoaded());
  EXPECT_EQ(log->calls0016 + log->calls0017, 0);
}

}  // namespace
}  // namespace simidetest
