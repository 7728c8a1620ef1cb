// Every object the host hands out starts with one reference, is counted
// while alive and is destroyed at 0; a surplus release is caught.
#include <string>
#include <utility>

#include "tests/simide/host_fixture.h"

namespace simidetest {
namespace {

using simide::ObjectKind;

class ObjectCountTest : public HostTest {};

// By value: the Delphi 3 host's positions are packed.
std::pair<int, int> LineCol(kvx::TEditPos pos) {
  const int line = pos.Line;
  const int column = pos.Col;
  return {line, column};
}

TEST_F(ObjectCountTest, EachKindCountedFromCreationToLastRelease) {
  const std::string path = MakeFile("unit1.pas", "text");
  ASSERT_TRUE(ide.OpenFile(path));
  EXPECT_EQ(ide.LiveObjects().HandedOut(), 0);
  EXPECT_EQ(ide.LiveObjects().Of(ObjectKind::ToolServices), 1);

  kvx::TIModuleInterface* module = ide.ToolServices()->GetModuleInterface(path);
  kvx::TIModuleInterface* again = ide.ToolServices()->GetModuleInterface(path);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(module, again) << "a new reference per call";
  kvx::TIEditorInterface* editor = module->GetEditorInterface();
  kvx::TIEditView* view = editor->GetView(0);
  kvx::TIEditReader* reader = editor->CreateReader();
  kvx::TIEditWriter* writer = editor->CreateWriter();
  kvx::TIEditWriter* undoable = editor->CreateUndoableWriter();
  const simide::ObjectCounts live = ide.LiveObjects();
  EXPECT_EQ(live.Of(ObjectKind::Module), 2);
  EXPECT_EQ(live.Of(ObjectKind::Editor), 1);
  EXPECT_EQ(live.Of(ObjectKind::View), 1);
  EXPECT_EQ(live.Of(ObjectKind::Reader), 1);
  EXPECT_EQ(live.Of(ObjectKind::Writer), 2);

  EXPECT_EQ(module->AddRef(), 2);
  EXPECT_EQ(module->Release(), 1);
  for (kvx::TInterface* object : {static_cast<kvx::TInterface*>(module),
                                  static_cast<kvx::TInterface*>(again), static_cast<kvx::TInterface*>(editor),
                                  static_cast<kvx::TInterface*>(view), static_cast<kvx::TInterface*>(reader),
                                  static_cast<kvx::TInterface*>(writer),
                                  static_cast<kvx::TInterface*>(undoable)}) {
    EXPECT_EQ(object->Release(), 0);
  }
  EXPECT_EQ(ide.LiveObjects().HandedOut(), 0);
  EXPECT_EQ(ide.OverReleases(), 0);

  // One release too many is counted, not a crash.
  view->Release();
  EXPECT_EQ(ide.OverReleases(), 1);
}

TEST_F(ObjectCountTest, NothingForFilesThatAreNotOpen) {
  const std::string path = MakeFile("Unit1.pas", "");
  ASSERT_TRUE(ide.OpenFile(path));
  kvx::TIToolServices* services = ide.ToolServices();
  EXPECT_EQ(services->GetModuleInterface(File("unit1.pas")), nullptr) << "names match exactly";
  EXPECT_EQ(services->GetModuleInterface(File("other.pas")), nullptr);
  EXPECT_EQ(services->GetModuleInterface(""), nullptr);
  EXPECT_FALSE(services->IsFileOpen(File("unit1.pas")));

  kvx::TIModuleInterface* module = services->GetModuleInterface(path);
  kvx::TIEditorInterface* editor = module->GetEditorInterface();
  EXPECT_EQ(editor->GetView(1), nullptr);
  EXPECT_EQ(editor->GetView(-1), nullptr);
  ASSERT_TRUE(ide.SetViewCount(path, 0));
  EXPECT_EQ(editor->GetViewCount(), 0);
  EXPECT_EQ(editor->GetView(0), nullptr);
  EXPECT_EQ(ide.LiveObjects().HandedOut(), 2);
  editor->Release();
  module->Release();
  EXPECT_EQ(ide.LiveObjects().HandedOut(), 0);
}

TEST_F(ObjectCountTest, ViewPositionsAndSize) {
  const std::string path = MakeFile("unit1.pas", "a\r\nb\r\n");
  kvx::TIModuleInterface* module = OpenModule(path);
  kvx::TIEditorInterface* editor = module->GetEditorInterface();
  kvx::TIEditView* view = editor->GetView(0);
  ASSERT_TRUE(ide.SetCursor(path, 200, 90));
  ASSERT_TRUE(ide.SetTopLine(path, 150));
  ASSERT_TRUE(ide.SetViewSize(path, 80, 30));
  EXPECT_EQ(LineCol(view->GetPos(0)), std::make_pair(200, 90));
  EXPECT_EQ(LineCol(view->GetPos(1)), std::make_pair(150, 1));
  EXPECT_EQ(view->GetViewSize().cx, 80);
  EXPECT_EQ(view->GetViewSize().cy, 30);
  view->SetPos(0, kvx::TEditPos{5, 12});
  view->SetPos(1, kvx::TEditPos{2, 3});
  EXPECT_EQ(LineCol(*ide.Cursor(path)), std::make_pair(12, 5));
  EXPECT_EQ(LineCol(*ide.TopPosition(path)), std::make_pair(3, 2));
  view->Release();
  editor->Release();
  module->Release();
}

TEST_F(ObjectCountTest, ModifiedSaveReloadAndNeverSavedFiles) {
  const std::string path = MakeFile("unit1.pas", "disk\r\n");
  const std::string fresh = File("new.pas");
  kvx::TIModuleInterface* module = OpenModule(path);
  kvx::TIEditorInterface* editor = module->GetEditorInterface();
  EXPECT_FALSE(editor->BufferModified());
  ASSERT_TRUE(ide.InsertText(path, 0, "edited "));
  EXPECT_TRUE(editor->BufferModified());
  EXPECT_TRUE(module->Save(true));
  EXPECT_FALSE(editor->BufferModified());
  EXPECT_EQ(kvxtest::ReadFileBytes(path), "edited disk\r\n");

  kvxtest::WriteFileBytes(path, "changed on disk\r\n");
  ASSERT_TRUE(ide.InsertText(path, 0, "x"));
  EXPECT_TRUE(ide.ToolServices()->ReloadFile(path));
  EXPECT_EQ(ide.BufferText(path), "changed on disk\r\n");
  EXPECT_FALSE(editor->BufferModified());
  EXPECT_FALSE(ide.ToolServices()->ReloadFile(File("absent.pas")));

  ASSERT_TRUE(ide.OpenFile(fresh));
  EXPECT_EQ(ide.BufferText(fresh), "");
  EXPECT_FALSE(ide.ToolServices()->ReloadFile(fresh)) << "never saved: nothing to reread";
  EXPECT_EQ(editor->FileName(), path);
  editor->Release();
  module->Release();
}

TEST_F(ObjectCountTest, ExceptionsAreRecorded) {
  ide.ToolServices()->RaiseException("boom");
  EXPECT_THAT(ide.RaisedExceptions(), testing::ElementsAre("boom"));
}

}  // namespace
}  // namespace simidetest
