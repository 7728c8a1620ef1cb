#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvane_standin/corvane_standin.h"
#include "editorlink/kvxdde.h"
#include "platform/posix/include/winsub_control.h"
#include "tests/core/reply_server.h"
#include "tests/support/test_environment.h"

namespace {

using kvx::standin::Answer;
using kvx::standin::CorvaneStandin;
using kvx::standin::RecordKind;
using kvx::standin::TranscriptRecord;

using namespace std::string_literals;

// The records after the test's own connect.
std::vector<TranscriptRecord> Exchange(const CorvaneStandin& corvane) {
  auto records = corvane.Transcript();
  EXPECT_FALSE(records.empty());
  if (!records.empty()) records.erase(records.begin());
  return records;
}

class QueryWire : public testing::Test {
 protected:
  void SetUp() override {
    conversation_ = kvx::OpenEditorConversation();
    ASSERT_NE(conversation_, nullptr);
  }
  void TearDown() override { kvx::CloseEditorConversation(conversation_); }

  CorvaneStandin corvane_;
  HCONV conversation_ = nullptr;
};

TEST_F(QueryWire, IntegerQueryIsSetUpRequestReset) {
  EXPECT_EQ(kvx::QueryEditorInt(conversation_, "!REMCURPOS_L"), 0);
  const auto records = Exchange(corvane_);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].kind, RecordKind::Execute);
  EXPECT_EQ(records[0].data, "[SETUPGLOBAL(\"!REMCURPOS_L\",\"1\")]\0"s);
  EXPECT_EQ(records[0].data.size(), 34u);
  EXPECT_EQ(records[1].kind, RecordKind::Request);
  EXPECT_EQ(records[1].item, "!REMCURPOS_L");
  EXPECT_EQ(records[2].kind, RecordKind::Execute);
  EXPECT_EQ(records[2].data, "[RESETGLOBAL(\"!REMCURPOS_L\"\")]\0"s);
  EXPECT_EQ(records[2].data.size(), 31u);
  EXPECT_EQ(kvx::OpenConversations, 1);  // no conversation of its own
}

TEST_F(QueryWire, StringQueryAsksForATextGlobal) {
  EXPECT_EQ(kvx::QueryEditorString(conversation_, "!REMACTIVEFILE"), "");
  const auto records = Exchange(corvane_);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].data, "[SETUPGLOBAL(\"!REMACTIVEFILE\",\"0\")]\0"s);
  EXPECT_EQ(records[0].data.size(), 22u + 14u);
  EXPECT_EQ(records[1].kind, RecordKind::Request);
  EXPECT_EQ(records[1].item, "!REMACTIVEFILE");
  EXPECT_EQ(records[1].data, "\0"s);  // an empty text and its NUL
  EXPECT_EQ(records[2].data, "[RESETGLOBAL(\"!REMACTIVEFILE\"\")]\0"s);
}

TEST_F(QueryWire, NamesAreNeverEscaped) {
  kvx::QueryEditorInt(conversation_, R"(A\B)");
  const auto records = Exchange(corvane_);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].data, "[SETUPGLOBAL(\"A\\B\",\"1\")]\0"s);
  EXPECT_EQ(records[1].item, R"(A\B)");
  EXPECT_EQ(records[2].data, "[RESETGLOBAL(\"A\\B\"\")]\0"s);
}

TEST_F(QueryWire, ReadsWhatCorvaneReports) {
  const std::string directory = kvxtest::MakeScratchSubdirectory("query");
  const std::string file = directory + "/unit1.pas";
  const std::string shadow = directory + "/unit1.shadow";
  kvxtest::WriteFileBytes(file, "unit unit1;\n");
  kvxtest::WriteFileBytes(shadow, "unit unit1;\n");
  kvx::RunEditorMacro(conversation_, "Remote^RemReloadFileEx /FLAGS=1/L=42/C=7/T=40/F=" + file +
                                         "/V=" + shadow);
  kvx::RunEditorMacro(conversation_, "Remote^RemGetFileInfo /GN=!REMCURPOS/FLAGS=1/F=" + file);
  EXPECT_EQ(kvx::QueryEditorInt(conversation_, "!REMCURPOS_L"), 42);
  EXPECT_EQ(kvx::QueryEditorInt(conversation_, "!REMCURPOS_C"), 7);
  EXPECT_EQ(kvx::QueryEditorInt(conversation_, "!REMCURPOS_T"), 40);
  kvx::RunEditorMacro(conversation_, "Remote^RemGetActiveFile /GN=!REMACTIVEFILE");
  EXPECT_EQ(kvx::QueryEditorString(conversation_, "!REMACTIVEFILE"), file);
}

TEST(QueryFaults, SetUpThatCannotBeMadeSendsNothing) {
  CorvaneStandin corvane;
  const HCONV conversation = kvx::OpenEditorConversation();
  WinsubInjectFault(WINSUB_FAULT_DDE_CREATE_DATA, 0, 1);
  EXPECT_EQ(kvx::QueryEditorInt(conversation, "!REMCURPOS_L"), 0);
  WinsubInjectFault(WINSUB_FAULT_DDE_CREATE_DATA, 0, 1);
  EXPECT_EQ(kvx::QueryEditorString(conversation, "!REMACTIVEFILE"), "");
  EXPECT_EQ(Exchange(corvane).size(), 0u);
  kvx::CloseEditorConversation(conversation);
}

TEST(QueryFaults, NoItemHandleMeansNoRequestButTheReset) {
  CorvaneStandin corvane;
  const HCONV conversation = kvx::OpenEditorConversation();
  WinsubInjectFault(WINSUB_FAULT_DDE_CREATE_STRING, 0, 1);
  EXPECT_EQ(kvx::QueryEditorInt(conversation, "!REMCURPOS_L"), 0);
  const auto records = Exchange(corvane);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].data, "[SETUPGLOBAL(\"!REMCURPOS_L\",\"1\")]\0"s);
  EXPECT_EQ(records[1].data, "[RESETGLOBAL(\"!REMCURPOS_L\"\")]\0"s);
  kvx::CloseEditorConversation(conversation);
}

TEST(QueryFaults, AResetThatCannotBeMadeIsDropped) {
  coretest::ReplyServer server("Corvane");
  server.SetReply("\x2A\x00\x00\x00"s);
  const HCONV conversation = kvx::OpenEditorConversation();
  // The set-up and the server's reply pass (the server lives in this process
  // too), the reset fails.
  WinsubInjectFault(WINSUB_FAULT_DDE_CREATE_DATA, 2, 1);
  EXPECT_EQ(kvx::QueryEditorInt(conversation, "!REMCURPOS_L"), 42);
  EXPECT_EQ(server.Log(), (std::vector<std::string>{
                              "execute:[SETUPGLOBAL(\"!REMCURPOS_L\",\"1\")]\0"s,
                              "request:!REMCURPOS_L"}));
  kvx::CloseEditorConversation(conversation);
}

TEST(QueryFaults, WithoutAConversationTheResultIsEmpty) {
  CorvaneStandin corvane;
  EXPECT_EQ(kvx::QueryEditorInt(nullptr, "!REMCURPOS_L"), 0);
  EXPECT_EQ(kvx::QueryEditorString(nullptr, "!REMACTIVEFILE"), "");
  EXPECT_EQ(kvx::OpenConversations, 0);
  EXPECT_TRUE(corvane.Transcript().empty());
}

// ---------------------------------------------------------------- decoding

class QueryDecoding : public testing::Test {
 protected:
  void SetUp() override {
    conversation_ = kvx::OpenEditorConversation();
    ASSERT_NE(conversation_, nullptr);
  }
  void TearDown() override { kvx::CloseEditorConversation(conversation_); }

  coretest::ReplyServer server_{"Corvane"};
  HCONV conversation_ = nullptr;
};

TEST_F(QueryDecoding, IntegersAreLittleEndianAndShortRepliesFillTheLowBytes) {
  struct Case {
    std::string reply;
    int32_t value;
  };
  const Case cases[] = {
      {"\x2A\x00\x00\x00"s, 42},
      {"\x01\x01"s, 257},
      {"\x07"s, 7},
      {"\xFF\xFF\xFF\xFF"s, -1},
      {"\x78\x56\x34\x12\x99\x99"s, 0x12345678},  // only the first four bytes count
      {"\x00\x00\x01\x00"s, 0x10000},
  };
  for (const Case& c : cases) {
    server_.SetReply(c.reply);
    EXPECT_EQ(kvx::QueryEditorInt(conversation_, "!REMCURPOS_F"), c.value) << c.value;
  }
}

TEST_F(QueryDecoding, StringsEndAtTheFirstNulOrAfter1025Bytes) {
  struct Case {
    std::string reply;
    std::string text;
  };
  const Case cases[] = {
      {"C:\\work\\unit1.pas\0"s, "C:\\work\\unit1.pas"},
      {"first\0second\0"s, "first"},
      {"unterminated"s, "unterminated"},
      {std::string(2000, 'x'), std::string(1025, 'x')},
      {std::string(1025, 'y') + "\0"s, std::string(1025, 'y')},
      {std::string(1024, 'z') + "\0tail"s, std::string(1024, 'z')},
      {"\0"s, ""},
  };
  for (const Case& c : cases) {
    server_.SetReply(c.reply);
    EXPECT_EQ(kvx::QueryEditorString(conversation_, "!REMACTIVEFILE"), c.text);
  }
}

TEST_F(QueryDecoding, NoReplyGivesZeroAndTheResetStillFollows) {
  server_.SetReply(std::nullopt);
  EXPECT_EQ(kvx::QueryEditorInt(conversation_, "!REMCURPOS_C"), 0);
  EXPECT_EQ(kvx::QueryEditorString(conversation_, "!REMACTIVEFILE"), "");
  EXPECT_EQ(server_.Log(),
            (std::vector<std::string>{"execute:[SETUPGLOBAL(\"!REMCURPOS_C\",\"1\")]\0"s,
                                      "request:!REMCURPOS_C",
                                      "execute:[RESETGLOBAL(\"!REMCURPOS_C\"\")]\0"s,
                                      "execute:[SETUPGLOBAL(\"!REMACTIVEFILE\",\"0\")]\0"s,
                                      "request:!REMACTIVEFILE",
                                      "execute:[RESETGLOBAL(\"!REMACTIVEFILE\"\")]\0"s}));
}

}  // namespace
