// The wire frames and the names of service sockets.
#include <gmock/gmock.h>

#include "platform/posix/ddeml/dde_socket_name.h"
#include "platform/posix/include/win32_subset.h"
#include "platform/posix/ddeml/dde_frame.h"

namespace {

using winsub::dde::Bytes;
using namespace winsub::dde;

HeaderCheck Check(const Bytes& bytes, std::size_t& frameSize) {
  return CheckFrameHeader(bytes.data(), bytes.size(), frameSize);
}

Bytes Header(unsigned char m0, unsigned char m1, std::uint16_t type, std::uint32_t length) {
  return Bytes{m0,
               m1,
               static_cast<unsigned char>(type),
               static_cast<unsigned char>(type >> 8),
               static_cast<unsigned char>(length),
               static_cast<unsigned char>(length >> 8),
               static_cast<unsigned char>(length >> 16),
               static_cast<unsigned char>(length >> 24)};
}

TEST(DdeFrameTest, FramesRoundTrip) {
  const std::string command = "[RUNMACRO(\"Remote^RemActivate\")]";
  Bytes wire = EncodeExecute(7, reinterpret_cast<const unsigned char*>(command.c_str()),
                             command.size() + 1);
  const Bytes reply = EncodeRequestReply({9, true, CF_TEXT, Bytes{0x2A, 0, 0, 0}});
  wire.insert(wire.end(), reply.begin(), reply.end());

  std::size_t size = 0;
  ASSERT_EQ(Check(wire, size), HeaderCheck::Complete);
  Frame first = TakeFrame(wire, size);
  ASSERT_EQ(first.type, FrameType::Execute);
  const auto execute = DecodeExecute(first.payload);
  ASSERT_TRUE(execute);
  EXPECT_EQ(execute->id, 7u);
  EXPECT_EQ(execute->command.size(), 33u);
  EXPECT_EQ(execute->command.back(), 0);

  ASSERT_EQ(Check(wire, size), HeaderCheck::Complete);
  Frame second = TakeFrame(wire, size);
  EXPECT_TRUE(wire.empty());
  const auto decoded = DecodeRequestReply(second.payload);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->id, 9u);
  EXPECT_TRUE(decoded->hasData);
  EXPECT_EQ(decoded->data, (Bytes{0x2A, 0, 0, 0}));

  Bytes connect = EncodeConnect({"System", "Corvane"});
  ASSERT_EQ(Check(connect, size), HeaderCheck::Complete);
  const auto body = DecodeConnect(TakeFrame(connect, size).payload);
  ASSERT_TRUE(body);
  EXPECT_EQ(body->topic, "System");
  EXPECT_EQ(body->service, "Corvane");
}

TEST(DdeFrameTest, HeadersShowGarbageAndWantMoreForPartialFrames) {
  struct Case {
    const char* what;
    Bytes bytes;
    HeaderCheck expected;
  };
  Bytes partial = EncodeExecuteReply({1, DDE_FACK});
  partial.pop_back();
  const Case cases[] = {
      {"empty", Bytes{}, HeaderCheck::NeedMore},
      {"one good byte", Bytes{'W'}, HeaderCheck::NeedMore},
      {"bad first byte", Bytes{'X'}, HeaderCheck::Invalid},
      {"bad second byte", Bytes{'W', 'x', 1, 0}, HeaderCheck::Invalid},
      {"unknown type 0", Header('W', 'D', 0, 0), HeaderCheck::Invalid},
      {"unknown type 7", Header('W', 'D', 7, 0), HeaderCheck::Invalid},
      {"over the limit", Header('W', 'D', 3, MaxFramePayload + 1), HeaderCheck::Invalid},
      {"at the limit, no payload yet", Header('W', 'D', 3, MaxFramePayload), HeaderCheck::NeedMore},
      {"payload cut short", partial, HeaderCheck::NeedMore},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::size_t size = 0;
    EXPECT_EQ(Check(c.bytes, size), c.expected);
  }
}

TEST(DdeFrameTest, PayloadsOfTheWrongShapeAreRefused) {
  EXPECT_FALSE(DecodeConnect(Bytes{0, 0, 0, 0}));                     // empty names
  EXPECT_FALSE(DecodeConnect(Bytes{3, 0, 'a', 'b'}));                 // name cut short
  EXPECT_FALSE(DecodeConnect(Bytes{1, 0, 'a', 1, 0, 'b', 'x'}));      // trailing byte
  EXPECT_FALSE(DecodeConnect(Bytes{1, 0, 0, 1, 0, 'b'}));             // NUL in a name
  EXPECT_FALSE(DecodeConnectReply(Bytes{2}));
  EXPECT_FALSE(DecodeConnectReply(Bytes{}));
  EXPECT_FALSE(DecodeExecute(Bytes{1, 2, 3}));
  EXPECT_FALSE(DecodeExecuteReply(Bytes{1, 0, 0, 0, 0}));
  EXPECT_FALSE(DecodeRequest(Bytes{1, 0, 0, 0, 1, 0, 0, 0, 0, 0}));   // empty item
  EXPECT_FALSE(DecodeRequestReply(Bytes{1, 0, 0, 0, 0, 1, 0, 0, 0, 'x'}));  // data without flag
  EXPECT_FALSE(DecodeRequestReply(Bytes{1, 0, 0, 0, 2, 1, 0, 0, 0}));
  Bytes longName(2, 0);
  longName[0] = 0;
  longName[1] = 1;  // 256 characters announced
  longName.resize(2 + 256, 'n');
  EXPECT_FALSE(DecodeConnect(longName));
}

// Data frames are decoded by taking the payload's storage over; the result
// must be exactly what the copying decoders give, refusals included.
TEST(DdeFrameTest, DecodersThatTakeThePayloadOverAgreeWithTheCopyingOnes) {
  const Bytes executes[] = {{}, {1, 2, 3}, {7, 0, 0, 0}, {7, 0, 0, 0, 'a', 'b', 0}};
  for (const Bytes& payload : executes) {
    const auto copied = DecodeExecute(payload);
    const auto taken = DecodeExecute(Bytes(payload));
    ASSERT_EQ(copied.has_value(), taken.has_value()) << payload.size();
    if (copied) {
      EXPECT_EQ(taken->id, copied->id);
      EXPECT_EQ(taken->command, copied->command);
    }
  }
  const Bytes replies[] = {{},
                           {9, 0, 0, 0, 1, 1, 0, 0},               // cut short
                           {9, 0, 0, 0, 0, 1, 0, 0, 0},            // no data
                           {9, 0, 0, 0, 0, 1, 0, 0, 0, 'x'},       // data without flag
                           {9, 0, 0, 0, 2, 1, 0, 0, 0},            // bad flag
                           {9, 0, 0, 0, 1, 1, 0, 0, 0},            // empty data
                           {9, 0, 0, 0, 1, 1, 0, 0, 0, 'x', 0}};  // data
  for (const Bytes& payload : replies) {
    const auto copied = DecodeRequestReply(payload);
    const auto taken = DecodeRequestReply(Bytes(payload));
    ASSERT_EQ(copied.has_value(), taken.has_value()) << payload.size();
    if (copied) {
      EXPECT_EQ(taken->id, copied->id);
      EXPECT_EQ(taken->hasData, copied->hasData);
      EXPECT_EQ(taken->format, copied->format);
      EXPECT_EQ(taken->data, copied->data);
    }
  }
}

TEST(DdeFrameTest, ALoneLargeFrameGivesItsWholePayload) {
  Bytes command(3u << 20, 0);
  for (std::size_t i = 0; i < command.size(); ++i) command[i] = static_cast<unsigned char>(i * 7);
  Bytes wire = EncodeExecute(5, command.data(), command.size());
  std::size_t size = 0;
  ASSERT_EQ(Check(wire, size), HeaderCheck::Complete);
  ASSERT_EQ(size, wire.size());
  Frame frame = TakeFrame(wire, size);
  EXPECT_TRUE(wire.empty());
  const auto execute = DecodeExecute(std::move(frame.payload));
  ASSERT_TRUE(execute);
  EXPECT_EQ(execute->id, 5u);
  EXPECT_EQ(execute->command, command);
}

TEST(DdeFrameTest, SocketNamesIgnoreCaseAndStaySafe) {
  EXPECT_EQ(ServiceSocketName("Corvane", 100), "corvane");
  EXPECT_EQ(ServiceSocketName("CORVANE", 100), ServiceSocketName("corvane", 100));
  EXPECT_EQ(ServiceSocketName("../a b", 100), "%2E%2E%2Fa%20b");
  EXPECT_NE(ServiceSocketName("a b", 100), ServiceSocketName("a_b", 100));
  const std::string longA = ServiceSocketName(std::string(200, 'a') + "x", 60);
  const std::string longB = ServiceSocketName(std::string(200, 'a') + "y", 60);
  EXPECT_LE(longA.size(), 60u);
  EXPECT_NE(longA, longB);
  EXPECT_EQ(longA.find('/'), std::string::npos);
}

}  // namespace
