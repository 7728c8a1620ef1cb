#include "corvane_standin/corvane_standin.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "contracts/corvane_commands.h"
#include "corvane_standin/control_client.h"
#include "tests/standin/dde_test_client.h"
#include "tests/support/test_environment.h"
#include "tests/standin/wire_texts.h"

namespace kvx::standin {
namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;

using standintest::Macro;
std::string SetupText(const std::string& name, bool integer) {
  return "[SETUPGLOBAL(\"" + name + (integer ? "\",\"1\")]\0"s : "\",\"0\")]\0"s);
}
std::string ResetText(const std::string& name) { return "[RESETGLOBAL(\"" + name + "\"\")]\0"s; }

class StandinServerTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = kvxtest::MakeScratchSubdirectory("server");
    source_ = dir_ + "/unit1.pas";
    shadow_ = dir_ + "/unit1.0.pas";
    kvxtest::WriteFileBytes(source_, "on disk\r\n");
    kvxtest::WriteFileBytes(shadow_, "from the IDE\r\n");
  }

  std::string ReloadText(const std::string& place = "/L=12/C=5/T=3") const {
    return Macro(std::string(CmdReloadFileEx) + "1" + place + "/F=" + source_ + "/V=" + shadow_);
  }

  // The link's read of one global: set-up, request, reset.
  std::optional<std::string> Query(const std::string& name, bool integer) {
    EXPECT_TRUE(client_.Execute(SetupText(name, integer)));
    auto answer = client_.Request(name);
    EXPECT_TRUE(client_.Execute(ResetText(name)));
    return answer;
  }

  std::string dir_, source_, shadow_;
  kvxtest::DdeTestClient client_;
};

TEST_F(StandinServerTest, ServesTheEditorServiceAndRecordsEveryTransaction) {
  const std::string transcriptPath = dir_ + "/corvane.transcript";
  CorvaneStandin standin(ServerOptions{transcriptPath, {}, "Delphi 3-PROJ"});
  EXPECT_EQ(standin.State().session, "Delphi 3-PROJ");

  EXPECT_FALSE(client_.Connect(CorvaneService, "Other"));
  ASSERT_TRUE(client_.Connect("corvane", "SYSTEM"));  // DDE names ignore case
  const std::string activate = Macro(CmdActivate);
  ASSERT_EQ(activate.size(), 33u);
  EXPECT_TRUE(client_.Execute(activate));
  EXPECT_FALSE(client_.Execute("[RUNMACRO(\"Remote^RemBogus\")]\0"s));
  EXPECT_FALSE(client_.Execute("[RUNMACRO(\"Remote^RemActivate\")]"s));
  EXPECT_EQ(client_.Request("!NOSUCH"), std::nullopt);
  EXPECT_TRUE(client_.Execute(activate));  // still serving after the refusals
  client_.Disconnect();
  EXPECT_EQ(standin.State().activations, 2u);

  // The disconnect reaches the stand-in after the client has let go.
  std::vector<TranscriptRecord> records = standin.Transcript();
  for (int i = 0; i < 200 && records.size() < 8; ++i) {
    std::this_thread::sleep_for(5ms);
    records = standin.Transcript();
  }
  ASSERT_EQ(records.size(), 8u);
  EXPECT_EQ(records[0].kind, RecordKind::Connect);
  EXPECT_EQ(records[0].answer, Answer::Refused);
  EXPECT_EQ(records[0].topic, "Other");
  EXPECT_EQ(records[0].note, "unknown topic");
  EXPECT_EQ(records[1].kind, RecordKind::Connect);
  EXPECT_EQ(records[1].answer, Answer::Ack);
  const std::uint32_t conv = records[1].conversation;
  EXPECT_NE(conv, 0u);
  EXPECT_EQ((TranscriptRecord{RecordKind::Execute, Answer::Ack, conv, records[1].service,
                              records[1].topic, "", activate, ""}),
            records[2]);
  EXPECT_EQ(records[3].answer, Answer::Refused);
  EXPECT_EQ(records[3].note, "unknown macro command");
  EXPECT_EQ(records[4].data, "[RUNMACRO(\"Remote^RemActivate\")]"s);
  EXPECT_EQ(records[4].answer, Answer::Refused);
  EXPECT_EQ(records[5].kind, RecordKind::Request);
  EXPECT_EQ(records[5].item, "!NOSUCH");
  EXPECT_EQ(records[5].answer, Answer::Refused);
  EXPECT_EQ(records[6].answer, Answer::Ack);
  EXPECT_EQ(records[7].kind, RecordKind::Disconnect);
  for (std::size_t i = 2; i < records.size(); ++i) EXPECT_EQ(records[i].conversation, conv) << i;

  // The file holds the same records, byte for byte.
  const auto fromFile = ReadTranscriptFile(transcriptPath);
  ASSERT_TRUE(fromFile);
  EXPECT_EQ(*fromFile, records);
}

TEST_F(StandinServerTest, AnswersTheLinksQueriesAboutARealFile) {
  CorvaneStandin standin;
  ASSERT_TRUE(client_.Connect(CorvaneService, CorvaneTopic));
  ASSERT_TRUE(client_.Execute(ReloadText()));
  ASSERT_TRUE(client_.Execute(Macro(CmdGetActiveFile)));
  EXPECT_EQ(Query(GlobalActiveFile, false), source_ + '\0');

  ASSERT_TRUE(client_.Execute(Macro(CmdGetFileInfo + source_)));
  EXPECT_EQ(Query(GlobalCurPosFlags, true), "\0\0\0\0"s);
  EXPECT_EQ(Query(GlobalCurPosLine, true), "\x0C\0\0\0"s);
  EXPECT_EQ(Query(GlobalCurPosColumn, true), "\x05\0\0\0"s);
  EXPECT_EQ(Query(GlobalCurPosTop, true), "\x03\0\0\0"s);
  // Reset removed it: a second request answers nothing.
  EXPECT_EQ(client_.Request(GlobalCurPosLine), std::nullopt);

  // The user edits and saves, moves the cursor, reloads from disk.
  ASSERT_TRUE(standin.Edit(source_, "edited\r\n"));
  EXPECT_EQ(kvxtest::ReadFileBytes(shadow_), "edited\r\n");
  ASSERT_TRUE(standin.MoveCursor(source_, 300, 2, 280));
  ASSERT_TRUE(standin.ReloadFromDisk(source_));
  EXPECT_FALSE(standin.Edit(dir_ + "/absent.pas", "x"));
  ASSERT_TRUE(client_.Execute(Macro(CmdGetFileInfo + source_)));
  EXPECT_EQ(Query(GlobalCurPosFlags, true), "\0\0\x01\0"s);
  EXPECT_EQ(Query(GlobalCurPosLine, true), "\x2C\x01\0\0"s);

  const EditorState state = standin.State();
  ASSERT_EQ(state.files.size(), 1u);
  EXPECT_EQ(state.files[0].text, "on disk\r\n");
  EXPECT_TRUE(state.files[0].reloadedFromDisk);
}

TEST_F(StandinServerTest, RefusesConnectionsWhenAsked) {
  CorvaneStandin standin;
  standin.SetRefuseConnections(true);
  EXPECT_FALSE(client_.Connect(CorvaneService, CorvaneTopic));
  standin.SetRefuseConnections(false);
  EXPECT_TRUE(client_.Connect(CorvaneService, CorvaneTopic));
  const auto records = standin.Transcript();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].answer, Answer::Refused);
  EXPECT_EQ(records[0].note, "connections refused");
  EXPECT_EQ(records[1].answer, Answer::Ack);
}

TEST_F(StandinServerTest, DelayedAnswersKeepServingTheUsersActions) {
  CorvaneStandin standin;
  ASSERT_TRUE(client_.Connect(CorvaneService, CorvaneTopic));
  ASSERT_TRUE(client_.Execute(ReloadText()));
  standin.SetAnswerDelay(400ms);

  using Clock = std::chrono::steady_clock;
  std::atomic<bool> moved{false};
  Clock::time_point movedAt{};
  std::thread user([&] {
    std::this_thread::sleep_for(100ms);
    moved = static_cast<bool>(standin.MoveCursor(source_, 77, 1, 70));
    movedAt = Clock::now();
  });
  const auto start = Clock::now();
  ASSERT_TRUE(client_.Execute(Macro(CmdGetFileInfo + source_)));
  const auto answeredAt = Clock::now();
  user.join();
  EXPECT_GE(answeredAt - start, 400ms);
  EXPECT_TRUE(moved);
  EXPECT_LT(movedAt, answeredAt);
  // The command ran after the delay, so it saw the moved cursor.
  standin.SetAnswerDelay(0ms);
  EXPECT_EQ(Query(GlobalCurPosLine, true), "\x4D\0\0\0"s);
}

TEST_F(StandinServerTest, HookActsInsideTheTransactionOnTheStandinThread) {
  CorvaneStandin standin;
  ASSERT_TRUE(client_.Connect(CorvaneService, CorvaneTopic));
  ASSERT_TRUE(client_.Execute(ReloadText()));

  std::vector<TranscriptRecord> seen;
  std::atomic<DWORD> hookThread{0};
  standin.SetTransactionHook([&](const TranscriptRecord& record) {
    hookThread = GetCurrentThreadId();
    seen.push_back(record);
    // The user saves in the middle of the link's command.
    if (record.kind == RecordKind::Execute &&
        record.data.find("RemGetFileInfo") != std::string::npos) {
      EXPECT_TRUE(standin.Edit(source_, "saved meanwhile"));
    }
  });
  ASSERT_TRUE(client_.Execute(Macro(CmdGetFileInfo + source_)));
  standin.SetTransactionHook(nullptr);

  EXPECT_EQ(hookThread.load(), standin.ThreadId());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].answer, Answer::Pending);
  EXPECT_EQ(kvxtest::ReadFileBytes(shadow_), "saved meanwhile");
  EXPECT_EQ(standin.Transcript().back().answer, Answer::Ack);
}

TEST_F(StandinServerTest, ControlServiceDrivesTheUsersSide) {
  CorvaneStandin standin(ServerOptions{{}, "TestControl", {}});
  ASSERT_TRUE(client_.Connect(CorvaneService, CorvaneTopic));
  ASSERT_TRUE(client_.Execute(ReloadText()));

  CorvaneControlClient control("TestControl");
  ASSERT_TRUE(control.WaitForService(2s));
  ASSERT_TRUE(control.Edit(source_, "line 1\nline 2\n"));
  EXPECT_EQ(kvxtest::ReadFileBytes(shadow_), "line 1\nline 2\n");
  ASSERT_TRUE(control.MoveCursor(source_, 2, 3, 1));
  ASSERT_TRUE(control.StampShadow(source_, 10));
  const Outcome refused = control.MakeActive(dir_ + "/absent.pas");
  EXPECT_FALSE(refused);
  EXPECT_NE(refused.reason.find("not held"), std::string::npos);
  EXPECT_FALSE(control.Send(ControlCommand{ControlKind::Reload, dir_ + "/absent.pas", {}, 0, {}}));

  const auto state = control.State();
  ASSERT_TRUE(state);
  EXPECT_EQ(*state, standin.State());
  ASSERT_EQ(state->files.size(), 1u);
  EXPECT_EQ(state->files[0].text, "line 1\nline 2\n");
  EXPECT_EQ(state->files[0].line, 2);

  // Control traffic stays out of the editor's transcript.
  const auto transcript = control.Transcript();
  ASSERT_TRUE(transcript);
  EXPECT_EQ(*transcript, standin.Transcript());
  EXPECT_EQ(transcript->size(), 2u);

  // Quit ends the loop; the destructor then finds the thread finishing.
  EXPECT_TRUE(control.Quit());
}

}  // namespace
}  // namespace kvx::standin
