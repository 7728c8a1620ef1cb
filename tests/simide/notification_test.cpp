// Which notifications the simulated IDE fires for which user action.
#include <string>
#include <vector>

#include "tests/simide/host_fixture.h"

namespace simidetest {
namespace {

using testing::ElementsAre;

class NotificationTest : public HostTest {
 protected:
  void SetUp() override {
    addIn = new RecordingAddInNotifier(events);
    ASSERT_TRUE(ide.ToolServices()->AddNotifier(addIn));
  }

  // Registers a recording module notifier on an open file, tagged "m".
  RecordingModuleNotifier* Watch(const std::string& path, bool* destroyed = nullptr) {
    kvx::TIModuleInterface* module = ide.ToolServices()->GetModuleInterface(path);
    EXPECT_NE(module, nullptr);
    auto* notifier = new RecordingModuleNotifier(events, "m", destroyed);
    EXPECT_TRUE(module->AddNotifier(notifier));
    module->Release();
    return notifier;
  }

  RecordingAddInNotifier* addIn = nullptr;
};

TEST_F(NotificationTest, ProjectAndFileLifecycle) {
  const std::string project = MakeFile("proj.dpr", "program proj;");
  const std::string unit = MakeFile("unit1.pas", "unit unit1;");
  const std::string added = File("unit2.pas");

  ASSERT_TRUE(ide.OpenProject(project));
  EXPECT_EQ(ide.ToolServices()->GetProjectName(), project);
  EXPECT_TRUE(ide.ToolServices()->IsFileOpen(project)) << "the project source is a module";
  ASSERT_TRUE(ide.OpenFile(unit));
  ASSERT_TRUE(ide.AddFile(added));
  EXPECT_THAT(events, ElementsAre("fnProjectOpening " + project, "fnProjectOpened " + project,
                                  "fnFileOpening " + unit, "fnFileOpened " + unit,
                                  "fnAddedToProject " + added));

  Watch(unit);
  events.clear();
  ASSERT_TRUE(ide.CloseFile(unit));
  EXPECT_THAT(events, ElementsAre("fnFileClosing " + unit, "m ncModuleDeleted"));
  EXPECT_FALSE(ide.ToolServices()->IsFileOpen(unit));

  events.clear();
  ASSERT_TRUE(ide.CloseProject());
  ASSERT_GE(events.size(), 1u);
  EXPECT_EQ(events.front(), "fnProjectClosing " + project);
  EXPECT_EQ(ide.ToolServices()->GetProjectName(), "");
  EXPECT_TRUE(ide.OpenFiles().empty());
}

TEST_F(NotificationTest, ModuleEventsOfUserActions) {
  const std::string unit = MakeFile("unit1.pas", "abc\r\n");
  const std::string other = MakeFile("unit2.pas", "");
  ASSERT_TRUE(ide.OpenFile(unit));
  ASSERT_TRUE(ide.OpenFile(other));
  Watch(unit);
  events.clear();

  struct Action {
    const char* name;
    std::function<bool()> run;
    std::vector<std::string> expected;
  };
  const std::string renamed = File("renamed.pas");
  const std::vector<Action> actions = {
      {"insert", [&] { return ide.InsertText(unit, 0, "x"); }, {"m ncEditorModified"}},
      {"replace", [&] { return ide.ReplaceText(unit, 0, 1, "y"); }, {"m ncEditorModified"}},
      {"undo", [&] { return ide.Undo(unit); }, {"m ncEditorModified"}},
      {"select", [&] { return ide.SelectFile(unit); }, {"m ncEditorSelected"}},
      {"type", [&] { return ide.TypeText("z"); }, {"m ncEditorModified"}},
      {"save", [&] { return ide.SaveFile(unit); }, {"m ncBeforeSave", "m ncAfterSave"}},
      {"save as",
       [&] { return ide.SaveFileAs(unit, renamed); },
       {"m ncBeforeSave", "m ncModuleRenamed", "m ncAfterSave"}},
      {"select another", [&] { return ide.SelectFile(other); }, {}},
  };
  for (const Action& action : actions) {
    SCOPED_TRACE(action.name);
    events.clear();
    ASSERT_TRUE(action.run());
    EXPECT_EQ(events, action.expected);
  }
  EXPECT_TRUE(ide.IsOpen(renamed));
  EXPECT_FALSE(ide.IsOpen(unit));
  EXPECT_EQ(kvxtest::ReadFileBytes(renamed), "zxabc\r\n");
  EXPECT_EQ(kvxtest::ReadFileBytes(unit), "zxabc\r\n");
}

TEST_F(NotificationTest, WriterEditsNotifyUnlessTurnedOff) {
  const std::string unit = MakeFile("unit1.pas", "abc");
  kvx::TIModuleInterface* module = OpenModule(unit);
  Watch(unit);
  kvx::TIEditorInterface* editor = module->GetEditorInterface();
  for (const bool notify : {true, false}) {
    ide.SetNotifyOnWriterEdits(notify);
    events.clear();
    kvx::TIEditWriter* writer = editor->CreateUndoableWriter();
    writer->Insert("x");
    EXPECT_TRUE(events.empty()) << "nothing before the release";
    writer->Release();
    EXPECT_EQ(events.size(), notify ? 1u : 0u);
    EXPECT_TRUE(editor->BufferModified());
  }
  editor->Release();
  module->Release();
}

TEST_F(NotificationTest, FrontEditorFollowsOpenSelectShowSourceAndClose) {
  const std::string a = MakeFile("a.pas", "");
  const std::string b = MakeFile("b.pas", "");
  kvx::TIToolServices* services = ide.ToolServices();
  EXPECT_EQ(services->GetCurrentFile(), "");
  ASSERT_TRUE(ide.OpenFile(a));
  ASSERT_TRUE(ide.OpenFile(b));
  EXPECT_EQ(services->GetCurrentFile(), b);
  kvx::TIModuleInterface* module = services->GetModuleInterface(a);
  events.clear();
  EXPECT_TRUE(module->ShowSource());
  EXPECT_EQ(services->GetCurrentFile(), a);
  EXPECT_THAT(ide.ShownSources(), ElementsAre(a));
  EXPECT_TRUE(events.empty()) << "ShowSource is not a user selection";
  ASSERT_TRUE(ide.CloseFile(a));
  EXPECT_EQ(services->GetCurrentFile(), b);
  EXPECT_FALSE(module->ShowSource()) << "the module is gone";
  module->Release();
}

TEST_F(NotificationTest, NotifierRemovingItselfOrAnotherWhileNotified) {
  const std::string unit = MakeFile("unit1.pas", "");
  kvx::TIModuleInterface* module = OpenModule(unit);
  bool firstDestroyed = false;
  bool secondDestroyed = false;
  auto* first = new RecordingModuleNotifier(events, "first", &firstDestroyed);
  auto* second = new RecordingModuleNotifier(events, "second", &secondDestroyed);
  auto* third = new RecordingModuleNotifier(events, "third");
  ASSERT_TRUE(module->AddNotifier(first));
  ASSERT_TRUE(module->AddNotifier(second));
  ASSERT_TRUE(module->AddNotifier(third));
  EXPECT_FALSE(module->AddNotifier(first)) << "registered once";

  // The first removes itself and the second; the second is not called after
  // its removal, the third still is.
  first->onNotify = [&](kvx::TNotifyCode) {
    EXPECT_TRUE(module->RemoveNotifier(first));
    EXPECT_TRUE(module->RemoveNotifier(second));
  };
  events.clear();
  ASSERT_TRUE(ide.InsertText(unit, 0, "x"));
  EXPECT_THAT(events, ElementsAre("first ncEditorModified", "third ncEditorModified"));
  EXPECT_FALSE(module->RemoveNotifier(first));
  EXPECT_EQ(ide.ModuleNotifierCount(unit), 1u);
  // Removal hands the reference back: the host destroys none of them.
  EXPECT_FALSE(firstDestroyed);
  EXPECT_FALSE(secondDestroyed);
  first->Release();
  second->Release();
  module->Release();
}

TEST_F(NotificationTest, AddInNotifierRemovedDuringAFileNotification) {
  const std::string unit = MakeFile("unit1.pas", "");
  Events later;
  auto* second = new RecordingAddInNotifier(later);
  ASSERT_TRUE(ide.ToolServices()->AddNotifier(second));
  addIn->onNotify = [&](kvx::TFileNotification) {
    ide.ToolServices()->RemoveNotifier(second);
  };
  ASSERT_TRUE(ide.OpenFile(unit));
  EXPECT_TRUE(later.empty());
  EXPECT_EQ(ide.AddInNotifierCount(), 1u);
  EXPECT_FALSE(ide.ToolServices()->RemoveNotifier(second));
  second->Release();
}

TEST_F(NotificationTest, CancelledOpeningAndClosing) {
  const std::string unit = MakeFile("unit1.pas", "");
  addIn->cancelCode = kvx::fnFileOpening;
  EXPECT_FALSE(ide.OpenFile(unit));
  EXPECT_FALSE(ide.IsOpen(unit));
  addIn->cancelCode = kvx::fnFileClosing;
  ASSERT_TRUE(ide.OpenFile(unit));
  EXPECT_FALSE(ide.CloseFile(unit));
  EXPECT_TRUE(ide.IsOpen(unit));
}

// The host owns what it is handed: notifiers still registered when it shuts
// down are released once, and none of them twice.
TEST_F(NotificationTest, HeldNotifiersReleasedOnceAtShutdown) {
  const std::string unit = MakeFile("unit1.pas", "");
  const std::string closed = MakeFile("closed.pas", "");
  bool addInDestroyed = false;
  bool openDestroyed = false;
  bool closedDestroyed = false;
  auto* own = new RecordingAddInNotifier(events, &addInDestroyed);
  ASSERT_TRUE(ide.ToolServices()->AddNotifier(own));
  ASSERT_TRUE(ide.OpenFile(unit));
  ASSERT_TRUE(ide.OpenFile(closed));
  Watch(unit, &openDestroyed);
  Watch(closed, &closedDestroyed);
  ASSERT_TRUE(ide.CloseFile(closed));
  EXPECT_FALSE(closedDestroyed) << "kept until shutdown";
  ide.Shutdown();
  EXPECT_TRUE(addInDestroyed);
  EXPECT_TRUE(openDestroyed);
  EXPECT_TRUE(closedDestroyed);
  EXPECT_EQ(ide.AddInNotifierCount(), 0u);
  EXPECT_EQ(ide.ModuleNotifierCount(unit), 0u);
}

TEST_F(NotificationTest, ClosedModuleRefusesNotifiers) {
  const std::string unit = MakeFile("unit1.pas", "");
  kvx::TIModuleInterface* module = OpenModule(unit);
  ASSERT_TRUE(ide.CloseFile(unit));
  auto* late = new RecordingModuleNotifier(events, "late");
  EXPECT_FALSE(module->AddNotifier(late));
  EXPECT_FALSE(module->Save(true));
  late->Release();
  module->Release();
}

}  // namespace
}  // namespace simidetest
