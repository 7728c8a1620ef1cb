#include <gtest/gtest.h>

#include <vector>

#include "corvane_standin/corvane_standin.h"
#include "editorlink/kvxdde.h"
#include "platform/posix/include/winsub_control.h"
#include "tests/core/standin_wait.h"

namespace {

using kvx::standin::CorvaneStandin;
using kvx::standin::RecordKind;

std::vector<RecordKind> Kinds(const CorvaneStandin& corvane, std::size_t atLeast = 0) {
  std::vector<RecordKind> kinds;
  for (const auto& record : coretest::TranscriptOfAtLeast(corvane, atLeast)) {
    kinds.push_back(record.kind);
  }
  return kinds;
}

TEST(DdeLink, IsStartedAtLoadAndASecondStartChangesNothing) {
  ASSERT_NE(kvx::DdeInstance, 0u);
  ASSERT_NE(kvx::ServiceHandle, nullptr);
  ASSERT_NE(kvx::TopicHandle, nullptr);
  const DWORD instance = kvx::DdeInstance;
  const HSZ service = kvx::ServiceHandle;
  const HSZ topic = kvx::TopicHandle;
  EXPECT_FALSE(kvx::InitDdeLink());
  EXPECT_EQ(kvx::DdeInstance, instance);
  EXPECT_EQ(kvx::ServiceHandle, service);
  EXPECT_EQ(kvx::TopicHandle, topic);

  char name[32] = {};
  DdeQueryStringA(instance, service, name, sizeof name, CP_WINANSI);
  EXPECT_STREQ(name, "Corvane");
  DdeQueryStringA(instance, topic, name, sizeof name, CP_WINANSI);
  EXPECT_STREQ(name, "System");
}

TEST(DdeLink, CountsExactlyTheConversationsOpenedHere) {
  CorvaneStandin corvane;
  EXPECT_EQ(kvx::OpenConversations, 0);
  const HCONV first = kvx::OpenEditorConversation();
  const HCONV second = kvx::OpenEditorConversation();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(kvx::OpenConversations, 2);

  kvx::CloseEditorConversation(nullptr);
  EXPECT_EQ(kvx::OpenConversations, 2);

  kvx::CloseEditorConversation(first);
  EXPECT_EQ(kvx::OpenConversations, 1);
  kvx::CloseEditorConversation(second);
  EXPECT_EQ(kvx::OpenConversations, 0);
  EXPECT_EQ(Kinds(corvane, 4), (std::vector<RecordKind>{RecordKind::Connect, RecordKind::Connect,
                                                     RecordKind::Disconnect,
                                                     RecordKind::Disconnect}));
}

TEST(DdeLink, NoEditorNoConversation) {
  EXPECT_EQ(kvx::OpenEditorConversation(), nullptr);
  EXPECT_EQ(kvx::OpenConversations, 0);

  CorvaneStandin corvane;
  corvane.SetRefuseConnections(true);
  EXPECT_EQ(kvx::OpenEditorConversation(), nullptr);
  EXPECT_EQ(kvx::OpenConversations, 0);
}

TEST(DdeLink, AfterDoneNothingOpensAndASecondDoneDoesNothing) {
  CorvaneStandin corvane;
  kvx::DoneDdeLink();
  EXPECT_EQ(kvx::DdeInstance, 0u);
  EXPECT_EQ(kvx::OpenEditorConversation(), nullptr);
  EXPECT_EQ(kvx::OpenConversations, 0);
  kvx::DoneDdeLink();
  EXPECT_EQ(kvx::DdeInstance, 0u);

  // Commands and queries are dropped without a word.
  kvx::RunEditorMacro(nullptr, "Remote^RemActivate");
  EXPECT_EQ(kvx::QueryEditorInt(nullptr, "!REMCURPOS_L"), 0);
  EXPECT_EQ(kvx::QueryEditorString(nullptr, "!REMACTIVEFILE"), "");
  EXPECT_TRUE(corvane.Transcript().empty());
}

TEST(DdeLink, DoneEndsConversationsStillOpenButKeepsTheCount) {
  CorvaneStandin corvane;
  ASSERT_NE(kvx::OpenEditorConversation(), nullptr);
  kvx::DoneDdeLink();
  EXPECT_EQ(kvx::OpenConversations, 1);
  EXPECT_EQ(Kinds(corvane, 2), (std::vector<RecordKind>{RecordKind::Connect, RecordKind::Disconnect}));
}

TEST(DdeLink, TheCallbackAnswersZeroToEverything) {
  const UINT types[] = {XTYP_DISCONNECT, XTYP_ERROR, XTYP_REGISTER, XTYP_UNREGISTER,
                        XTYP_CONNECT,    XTYP_EXECUTE, XTYP_REQUEST};
  for (UINT type : types) {
    EXPECT_EQ(kvx::DdeCallback(type, CF_TEXT, nullptr, nullptr, nullptr, nullptr, 0, 0), nullptr)
        << type;
  }
}

}  // namespace
