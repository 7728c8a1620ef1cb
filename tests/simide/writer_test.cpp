// Readers and writers of the simulated editor buffers.
#include <string>
#include <vector>

#include "tests/simide/host_fixture.h"

namespace simidetest {
namespace {

struct WriterStep {
  enum Kind { Copy, Delete, Insert, Position } kind;
  int pos;             // CopyTo / DeleteTo target, or the Position expected
  const char* text;    // Insert's text (may be nullptr)
  bool ok;             // expected result of CopyTo / DeleteTo / Insert
};

struct WriterCase {
  const char* name;
  std::vector<WriterStep> steps;
  const char* result;  // buffer after the writer is released
};

const std::vector<WriterCase>& WriterCases() {
  using S = WriterStep;
  static const std::vector<WriterCase> cases = {
      {"copy everything then insert", {{S::Copy, 10, nullptr, true}, {S::Insert, 0, "X", true}},
       "0123456789X"},
      {"insert at the start", {{S::Insert, 0, "AB", true}, {S::Position, 0, nullptr, true}},
       "AB0123456789"},
      {"keep, drop, rest kept", {{S::Copy, 2, nullptr, true}, {S::Delete, 5, nullptr, true}},
       "0156789"},
      {"delete everything", {{S::Delete, 10, nullptr, true}}, ""},
      {"replace the middle",
       {{S::Copy, 3, nullptr, true}, {S::Delete, 6, nullptr, true}, {S::Insert, 0, "xyz", true}},
       "012xyz6789"},
      {"position counts the original text",
       {{S::Copy, 4, nullptr, true}, {S::Insert, 0, ".....", true}, {S::Position, 4, nullptr, true},
        {S::Delete, 6, nullptr, true}, {S::Position, 6, nullptr, true}},
       "0123.....6789"},
      {"no way back",
       {{S::Copy, 5, nullptr, true}, {S::Copy, 3, nullptr, false}, {S::Delete, 4, nullptr, false},
        {S::Position, 5, nullptr, true}},
       "0123456789"},
      {"offsets outside the text",
       {{S::Copy, 11, nullptr, false}, {S::Delete, -1, nullptr, false},
        {S::Delete, 11, nullptr, false}, {S::Copy, 10, nullptr, true}, {S::Copy, 10, nullptr, true}},
       "0123456789"},
      {"nil text", {{S::Insert, 0, nullptr, false}, {S::Insert, 0, "", true}}, "0123456789"},
      {"chunk ends deleted in order",
       {{S::Delete, 3, nullptr, true}, {S::Delete, 7, nullptr, true}}, "789"},
  };
  return cases;
}

class WriterTest : public HostTest {};

TEST_F(WriterTest, StepsOfBothWriterKinds) {
  for (const bool undoable : {false, true}) {
    for (const WriterCase& test : WriterCases()) {
      SCOPED_TRACE(std::string(test.name) + (undoable ? " (undoable)" : " (plain)"));
      const std::string path = MakeFile("case.txt", "0123456789");
      kvx::TIModuleInterface* module = OpenModule(path);
      ASSERT_NE(module, nullptr);
      kvx::TIEditorInterface* editor = module->GetEditorInterface();
      kvx::TIEditWriter* writer =
          undoable ? editor->CreateUndoableWriter() : editor->CreateWriter();
      ASSERT_NE(writer, nullptr);
      for (const WriterStep& step : test.steps) {
        switch (step.kind) {
          case WriterStep::Copy: EXPECT_EQ(writer->CopyTo(step.pos), step.ok) << step.pos; break;
          case WriterStep::Delete: EXPECT_EQ(writer->DeleteTo(step.pos), step.ok) << step.pos; break;
          case WriterStep::Insert: EXPECT_EQ(writer->Insert(step.text), step.ok); break;
          case WriterStep::Position: EXPECT_EQ(writer->Position(), step.pos); break;
        }
      }
      EXPECT_EQ(ide.BufferText(path), "0123456789") << "edits wait for the release";
      writer->Release();
      EXPECT_EQ(ide.BufferText(path), test.result);
      const bool changed = std::string(test.result) != "0123456789";
      EXPECT_EQ(editor->BufferModified(), changed);
      EXPECT_EQ(ide.UndoDepth(path), undoable && changed ? 1u : 0u);
      editor->Release();
      module->Release();
      ASSERT_TRUE(ide.CloseFile(path));
    }
  }
  EXPECT_EQ(ide.LiveObjects().HandedOut(), 0);
  EXPECT_EQ(ide.OverReleases(), 0);
}

// The replacement a pull makes: keep the old text, insert the new one after
// it, then let a second writer delete the old text.
TEST_F(WriterTest, TwoWritersReplaceTheTextAsTwoUndoSteps) {
  const std::string path = MakeFile("unit1.pas", "old text\r\n");
  kvx::TIModuleInterface* module = OpenModule(path);
  kvx::TIEditorInterface* editor = module->GetEditorInterface();

  kvx::TIEditWriter* first = editor->CreateUndoableWriter();
  ASSERT_TRUE(first->CopyTo(10));
  const int kept = first->Position();
  ASSERT_TRUE(first->Insert("new text\r\n"));
  first->Release();
  EXPECT_EQ(ide.BufferText(path), "old text\r\nnew text\r\n");

  kvx::TIEditWriter* second = editor->CreateUndoableWriter();
  EXPECT_TRUE(second->DeleteTo(kept));
  EXPECT_TRUE(second->CopyTo(20)) << "the second writer sees the edited buffer";
  EXPECT_FALSE(second->CopyTo(21));
  second->Release();
  EXPECT_EQ(ide.BufferText(path), "new text\r\n");
  EXPECT_TRUE(editor->BufferModified());

  ASSERT_TRUE(ide.Undo(path));
  EXPECT_EQ(ide.BufferText(path), "old text\r\nnew text\r\n");
  ASSERT_TRUE(ide.Undo(path));
  EXPECT_EQ(ide.BufferText(path), "old text\r\n");
  EXPECT_FALSE(ide.Undo(path));
  editor->Release();
  module->Release();
}

TEST_F(WriterTest, UndoStepsOfUserEditsAndWriters) {
  const std::string path = MakeFile("unit1.pas", "abc");
  kvx::TIModuleInterface* module = OpenModule(path);
  kvx::TIEditorInterface* editor = module->GetEditorInterface();
  ASSERT_TRUE(ide.InsertText(path, 3, "d"));
  kvx::TIEditWriter* writer = editor->CreateUndoableWriter();
  writer->CopyTo(4);
  writer->Insert("e");
  writer->Release();
  EXPECT_EQ(ide.UndoDepth(path), 2u);
  ASSERT_TRUE(ide.Undo(path));
  EXPECT_EQ(ide.BufferText(path), "abcd");

  // A plain writer's edits cannot be undone, nor can anything before them.
  writer = editor->CreateWriter();
  writer->Insert(">");
  writer->Release();
  EXPECT_EQ(ide.BufferText(path), ">abcd");
  EXPECT_EQ(ide.UndoDepth(path), 0u);
  EXPECT_FALSE(ide.Undo(path));
  editor->Release();
  module->Release();
}

TEST_F(WriterTest, WriterReleasedAfterTheFileClosedChangesNothing) {
  const std::string path = MakeFile("unit1.pas", "abc");
  kvx::TIModuleInterface* module = OpenModule(path);
  kvx::TIEditorInterface* editor = module->GetEditorInterface();
  kvx::TIEditWriter* writer = editor->CreateWriter();
  writer->Insert("x");
  ASSERT_TRUE(ide.CloseFile(path));
  writer->Release();
  EXPECT_FALSE(ide.IsOpen(path));
  EXPECT_EQ(kvxtest::ReadFileBytes(path), "abc");
  EXPECT_EQ(editor->CreateWriter(), nullptr);
  EXPECT_EQ(editor->CreateReader(), nullptr);
  EXPECT_EQ(module->GetEditorInterface(), nullptr);
  editor->Release();
  module->Release();
}

TEST_F(WriterTest, ReaderHandsOutChunksUntilZero) {
  std::string text;
  for (int i = 0; i < 25000; ++i) text += static_cast<char>('a' + i % 26);
  const std::string path = MakeFile("big.txt", text);
  kvx::TIModuleInterface* module = OpenModule(path);
  kvx::TIEditorInterface* editor = module->GetEditorInterface();
  kvx::TIEditReader* reader = editor->CreateReader();
  ASSERT_NE(reader, nullptr);

  std::vector<char> block(10001, '#');
  std::string read;
  std::vector<int> counts;
  int position = 0;
  for (int n; (n = reader->GetText(position, block.data(), 10000)) > 0; position += n) {
    counts.push_back(n);
    read.append(block.data(), static_cast<std::size_t>(n));
  }
  EXPECT_EQ(counts, (std::vector<int>{10000, 10000, 5000}));
  EXPECT_EQ(read, text);
  EXPECT_EQ(block[10000], '#') << "nothing written past the count";
  EXPECT_EQ(reader->GetText(-1, block.data(), 10), 0);
  EXPECT_EQ(reader->GetText(0, block.data(), 0), 0);
  EXPECT_EQ(reader->GetText(0, nullptr, 10), 0);

  // The reader reads the buffer as it is now.
  ASSERT_TRUE(ide.ReplaceText(path, 0, 25000, "short"));
  EXPECT_EQ(reader->GetText(0, block.data(), 10000), 5);
  EXPECT_EQ(std::string(block.data(), 5), "short");
  reader->Release();
  editor->Release();
  module->Release();
}

}  // namespace
}  // namespace simidetest
