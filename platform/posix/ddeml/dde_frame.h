// The wire format between DDE partners: every message is one frame, an 8-byte
// header (magic "WD", 16-bit type, 32-bit payload length, little-endian)
// followed by the payload. Payload layouts per type are below; a frame whose
// header or payload does not fit its type is a protocol error and ends the
// conversation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winsub::dde {

using Bytes = std::vector<unsigned char>;

constexpr std::size_t FrameHeaderSize = 8;
// Larger frames are refused: a peer cannot make us buffer without bound.
constexpr std::size_t MaxFramePayload = std::size_t{4} << 20;
constexpr unsigned char FrameMagic0 = 'W';
constexpr unsigned char FrameMagic1 = 'D';
// Names travel as in DDE string handles: 1..255 characters.
constexpr std::size_t MaxNameLength = 255;

enum class FrameType : std::uint16_t {
  Connect = 1,       // client -> server: u16 len, topic, u16 len, service
  ConnectReply = 2,  // server -> client: u8 accepted (0 or 1)
  Execute = 3,       // client -> server: u32 id, command bytes
  ExecuteReply = 4,  // server -> client: u32 id, u16 status (DDE_FACK/DDE_FBUSY/0)
  Request = 5,       // client -> server: u32 id, u32 format, u16 len, item
  RequestReply = 6,  // server -> client: u32 id, u8 has data, u32 format, data bytes
};

// Bytes are largest for data frames: an execute or request reply carries at
// most this much.
constexpr std::size_t MaxDataBytes = MaxFramePayload - 9;

enum class HeaderCheck { NeedMore, Complete, Invalid };

// Looks at the start of a receive buffer. Invalid: bad magic, unknown type or
// a payload over the limit. Complete: frameSize holds header + payload size.
HeaderCheck CheckFrameHeader(const unsigned char* data, std::size_t size, std::size_t& frameSize);

struct Frame {
  FrameType type{};
  Bytes payload;
};

// Takes the first frame out of a buffer that CheckFrameHeader found Complete.
// A buffer holding just that frame gives its storage to the payload.
Frame TakeFrame(Bytes& buffer, std::size_t frameSize);

// Header + payload, ready to send.
Bytes EncodeFrame(FrameType type, const Bytes& payload);

struct ConnectBody {
  std::string topic;
  std::string service;
};
struct ExecuteBody {
  std::uint32_t id = 0;
  Bytes command;
};
struct ExecuteReplyBody {
  std::uint32_t id = 0;
  std::uint16_t status = 0;
};
struct RequestBody {
  std::uint32_t id = 0;
  std::uint32_t format = 0;
  std::string item;
};
struct RequestReplyBody {
  std::uint32_t id = 0;
  bool hasData = false;
  std::uint32_t format = 0;
  Bytes data;
};

// Whole frames (header included) of each type.
Bytes EncodeConnect(const ConnectBody& body);
Bytes EncodeConnectReply(bool accepted);
Bytes EncodeExecute(std::uint32_t id, const unsigned char* command, std::size_t size);
Bytes EncodeExecuteReply(const ExecuteReplyBody& body);
Bytes EncodeRequest(const RequestBody& body);
Bytes EncodeRequestReply(const RequestReplyBody& body);

// Decoders answer nothing when the payload does not have its type's layout.
std::optional<ConnectBody> DecodeConnect(const Bytes& payload);
std::optional<bool> DecodeConnectReply(const Bytes& payload);
std::optional<ExecuteBody> DecodeExecute(const Bytes& payload);
std::optional<ExecuteReplyBody> DecodeExecuteReply(const Bytes& payload);
std::optional<RequestBody> DecodeRequest(const Bytes& payload);
std::optional<RequestReplyBody> DecodeRequestReply(const Bytes& payload);
// The same, taking the data bytes over from the payload instead of copying.
std::optional<ExecuteBody> DecodeExecute(Bytes&& payload);
std::optional<RequestReplyBody> DecodeRequestReply(Bytes&& payload);

}  // namespace winsub::dde
