#include "corvane_standin/transcript.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_environment.h"

namespace kvx::standin {
namespace {

using namespace std::string_literals;

std::vector<TranscriptRecord> Sample() {
  return {
      {RecordKind::Connect, Answer::Ack, 1, "Corvane", "System", "", "", ""},
      {RecordKind::Execute, Answer::Ack, 1, "Corvane", "System", "",
       "[RUNMACRO(\"Remote^RemActivate\")]\0"s, ""},
      {RecordKind::Execute, Answer::Refused, 1, "Corvane", "System", "",
       "\n@execute ack conv=1\n\0\xFF"s, "unknown execute text"},
      {RecordKind::Request, Answer::Ack, 1, "Corvane", "System", "!REMCURPOS_L", "\x2A\0\0\0"s, ""},
      {RecordKind::Request, Answer::Refused, 1, "Corvane", "System", "!NONE", "", "unknown global"},
      {RecordKind::Disconnect, Answer::Ack, 1, "Corvane", "System", "", "", ""},
      {RecordKind::Connect, Answer::Refused, 0, "Corvane", "Other", "", "", "unknown topic"},
  };
}

TEST(Transcript, RecordsHaveTheirExactBytes) {
  const TranscriptRecord execute{RecordKind::Execute, Answer::Ack, 2, "Corvane", "System", "",
                                 "[RUNMACRO(\"\")]\0"s, ""};
  EXPECT_EQ(FormatRecord(execute),
            "@execute ack conv=2 service=7 topic=6 item=0 data=15 note=0\n"
            "CorvaneSystem[RUNMACRO(\"\")]\0\n"s);
  const TranscriptRecord request{RecordKind::Request, Answer::Refused, 3, "Corvane", "System",
                                 "!X", "", "unknown global"};
  EXPECT_EQ(FormatRecord(request),
            "@request refused conv=3 service=7 topic=6 item=2 data=0 note=14\n"
            "CorvaneSystem!Xunknown global\n");
}

TEST(Transcript, ReaderRoundTripsAndRejectsDamagedText) {
  const std::vector<TranscriptRecord> records = Sample();
  std::string bytes;
  std::vector<std::size_t> boundaries{0};
  for (const TranscriptRecord& record : records) {
    bytes += FormatRecord(record);
    boundaries.push_back(bytes.size());
  }
  EXPECT_EQ(ParseTranscript(bytes), records);
  // A cut inside a record is an error; a cut between records is a shorter transcript.
  for (std::size_t length = 0; length <= bytes.size(); ++length) {
    std::string error;
    const auto parsed = ParseTranscript(std::string_view(bytes).substr(0, length), &error);
    const auto boundary = std::find(boundaries.begin(), boundaries.end(), length);
    if (boundary == boundaries.end()) {
      EXPECT_FALSE(parsed) << length;
      EXPECT_FALSE(error.empty());
    } else {
      ASSERT_TRUE(parsed) << length << ": " << error;
      EXPECT_EQ(parsed->size(), static_cast<std::size_t>(boundary - boundaries.begin()));
    }
  }
  for (const std::string bad : {"@execute maybe conv=1 service=0 topic=0 item=0 data=0 note=0\n\n",
                                "@jump ack conv=1 service=0 topic=0 item=0 data=0 note=0\n\n",
                                "@execute ack conv=1 service=0 topic=0 item=0 data=1 note=0\n\n",
                                "@execute ack conv=x service=0 topic=0 item=0 data=0 note=0\n\n",
                                "@execute ack conv=1 topic=0 service=0 item=0 data=0 note=0\n\n",
                                "execute ack conv=1 service=0 topic=0 item=0 data=0 note=0\n\n"})
    EXPECT_FALSE(ParseTranscript(bad)) << bad;
}

TEST(Transcript, LogAppendsEachRecordToTheFileAtOnce) {
  const std::string path = kvxtest::MakeScratchSubdirectory("transcript") + "/corvane.log";
  kvxtest::WriteFileBytes(path, FormatRecord(Sample()[0]));  // an earlier run's record
  TranscriptLog log(path);
  ASSERT_TRUE(log.FileUsable());
  std::string expected = FormatRecord(Sample()[0]);
  for (const TranscriptRecord& record : Sample()) {
    log.Append(record);
    expected += FormatRecord(record);
    EXPECT_EQ(kvxtest::ReadFileBytes(path), expected);
  }
  EXPECT_EQ(log.Records(), Sample());
  const auto fromFile = ReadTranscriptFile(path);
  ASSERT_TRUE(fromFile);
  EXPECT_EQ(fromFile->size(), Sample().size() + 1);

  EXPECT_FALSE(TranscriptLog(path + ".d/none").FileUsable());
  EXPECT_TRUE(TranscriptLog().FileUsable());
  std::string error;
  EXPECT_FALSE(ReadTranscriptFile(path + ".missing", &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kvx::standin
