#include "platform/posix/ddeml/dde_frame.h"

namespace winsub::dde {

namespace {

void PutU16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<unsigned char>(value & 0xFFu));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

void PutU32(Bytes& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

void PutName(Bytes& out, std::string_view name) {
  PutU16(out, static_cast<std::uint16_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
}

std::uint16_t GetU16(const unsigned char* data) {
  return static_cast<std::uint16_t>(data[0] | (data[1] << 8));
}

std::uint32_t GetU32(const unsigned char* data) {
  return static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
         (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
}

// Reads payload fields front to back; any overrun marks the payload bad.
class Reader {
 public:
  explicit Reader(const Bytes& payload) : data_(payload) {}

  bool U8(std::uint8_t& value) {
    if (!Have(1)) return false;
    value = data_[pos_++];
    return true;
  }
  bool U16(std::uint16_t& value) {
    if (!Have(2)) return false;
    value = GetU16(data_.data() + pos_);
    pos_ += 2;
    return true;
  }
  bool U32(std::uint32_t& value) {
    if (!Have(4)) return false;
    value = GetU32(data_.data() + pos_);
    pos_ += 4;
    return true;
  }
  bool Name(std::string& value) {
    std::uint16_t length = 0;
    if (!U16(length) || length == 0 || length > MaxNameLength || !Have(length)) return false;
    value.assign(reinterpret_cast<const char*>(data_.data() + pos_), length);
    pos_ += length;
    return value.find('\0') == std::string::npos;
  }
  Bytes Rest() {
    Bytes rest(data_.begin() + static_cast<std::ptrdiff_t>(pos_), data_.end());
    pos_ = data_.size();
    return rest;
  }
  bool AtEnd() const { return pos_ == data_.size(); }

 private:
  bool Have(std::size_t count) const { return data_.size() - pos_ >= count; }
  const Bytes& data_;
  std::size_t pos_ = 0;
};

bool KnownType(std::uint16_t type) {
  return type >= static_cast<std::uint16_t>(FrameType::Connect) &&
         type <= static_cast<std::uint16_t>(FrameType::RequestReply);
}

}  // namespace

HeaderCheck CheckFrameHeader(const unsigned char* data, std::size_t size, std::size_t& frameSize) {
  // Reject garbage as early as its first bytes show it.
  if (size >= 1 && data[0] != FrameMagic0) return HeaderCheck::Invalid;
  if (size >= 2 && data[1] != FrameMagic1) return HeaderCheck::Invalid;
  if (size >= 4 && !KnownType(GetU16(data + 2))) return HeaderCheck::Invalid;
  if (size < FrameHeaderSize) return HeaderCheck::NeedMore;
  const std::uint32_t length = GetU32(data + 4);
  if (length > MaxFramePayload) return HeaderCheck::Invalid;
  frameSize = FrameHeaderSize + length;
  return size >= frameSize ? HeaderCheck::Complete : HeaderCheck::NeedMore;
}

namespace {

// Header fields of a frame of the given payload length.
void PutHeader(Bytes& out, FrameType type, std::size_t payloadSize) {
  out.push_back(FrameMagic0);
  out.push_back(FrameMagic1);
  PutU16(out, static_cast<std::uint16_t>(type));
  PutU32(out, static_cast<std::uint32_t>(payloadSize));
}

// Drops the first count bytes of a payload in place.
void DropFront(Bytes& payload, std::size_t count) {
  payload.erase(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(count));
}

}  // namespace

Frame TakeFrame(Bytes& buffer, std::size_t frameSize) {
  Frame frame;
  frame.type = static_cast<FrameType>(GetU16(buffer.data() + 2));
  if (buffer.size() == frameSize) {
    // Large data arrives as the only frame in the buffer: no second copy.
    frame.payload = std::move(buffer);
    buffer = Bytes();
    DropFront(frame.payload, FrameHeaderSize);
    return frame;
  }
  frame.payload.assign(buffer.begin() + static_cast<std::ptrdiff_t>(FrameHeaderSize),
                       buffer.begin() + static_cast<std::ptrdiff_t>(frameSize));
  buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(frameSize));
  return frame;
}

Bytes EncodeFrame(FrameType type, const Bytes& payload) {
  Bytes out;
  out.reserve(FrameHeaderSize + payload.size());
  PutHeader(out, type, payload.size());
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes EncodeConnect(const ConnectBody& body) {
  Bytes payload;
  PutName(payload, body.topic);
  PutName(payload, body.service);
  return EncodeFrame(FrameType::Connect, payload);
}

Bytes EncodeConnectReply(bool accepted) {
  return EncodeFrame(FrameType::ConnectReply, Bytes{static_cast<unsigned char>(accepted ? 1 : 0)});
}

// Data-carrying frames are built in place: header and body in one buffer.
Bytes EncodeExecute(std::uint32_t id, const unsigned char* command, std::size_t size) {
  Bytes out;
  out.reserve(FrameHeaderSize + 4 + size);
  PutHeader(out, FrameType::Execute, 4 + size);
  PutU32(out, id);
  if (size > 0) out.insert(out.end(), command, command + size);
  return out;
}

Bytes EncodeExecuteReply(const ExecuteReplyBody& body) {
  Bytes payload;
  PutU32(payload, body.id);
  PutU16(payload, body.status);
  return EncodeFrame(FrameType::ExecuteReply, payload);
}

Bytes EncodeRequest(const RequestBody& body) {
  Bytes payload;
  PutU32(payload, body.id);
  PutU32(payload, body.format);
  PutName(payload, body.item);
  return EncodeFrame(FrameType::Request, payload);
}

Bytes EncodeRequestReply(const RequestReplyBody& body) {
  const std::size_t dataSize = body.hasData ? body.data.size() : 0;
  Bytes out;
  out.reserve(FrameHeaderSize + 9 + dataSize);
  PutHeader(out, FrameType::RequestReply, 9 + dataSize);
  PutU32(out, body.id);
  out.push_back(body.hasData ? 1 : 0);
  PutU32(out, body.format);
  if (body.hasData) out.insert(out.end(), body.data.begin(), body.data.end());
  return out;
}

std::optional<ConnectBody> DecodeConnect(const Bytes& payload) {
  Reader reader(payload);
  ConnectBody body;
  if (!reader.Name(body.topic) || !reader.Name(body.service) || !reader.AtEnd()) return std::nullopt;
  return body;
}

std::optional<bool> DecodeConnectReply(const Bytes& payload) {
  Reader reader(payload);
  std::uint8_t accepted = 0;
  if (!reader.U8(accepted) || accepted > 1 || !reader.AtEnd()) return std::nullopt;
  return accepted == 1;
}

std::optional<ExecuteBody> DecodeExecute(const Bytes& payload) {
  Reader reader(payload);
  ExecuteBody body;
  if (!reader.U32(body.id)) return std::nullopt;
  body.command = reader.Rest();
  return body;
}

std::optional<ExecuteReplyBody> DecodeExecuteReply(const Bytes& payload) {
  Reader reader(payload);
  ExecuteReplyBody body;
  if (!reader.U32(body.id) || !reader.U16(body.status) || !reader.AtEnd()) return std::nullopt;
  return body;
}

std::optional<RequestBody> DecodeRequest(const Bytes& payload) {
  Reader reader(payload);
  RequestBody body;
  if (!reader.U32(body.id) || !reader.U32(body.format) || !reader.Name(body.item) ||
      !reader.AtEnd()) {
    return std::nullopt;
  }
  return body;
}

std::optional<RequestReplyBody> DecodeRequestReply(const Bytes& payload) {
  Reader reader(payload);
  RequestReplyBody body;
  std::uint8_t hasData = 0;
  if (!reader.U32(body.id) || !reader.U8(hasData) || hasData > 1 || !reader.U32(body.format)) {
    return std::nullopt;
  }
  body.hasData = hasData == 1;
  body.data = reader.Rest();
  if (!body.hasData && !body.data.empty()) return std::nullopt;
  return body;
}

std::optional<ExecuteBody> DecodeExecute(Bytes&& payload) {
  if (payload.size() < 4) return std::nullopt;
  ExecuteBody body;
  body.id = GetU32(payload.data());
  DropFront(payload, 4);
  body.command = std::move(payload);
  return body;
}

std::optional<RequestReplyBody> DecodeRequestReply(Bytes&& payload) {
  constexpr std::size_t fixed = 9;  // id, has-data flag, format
  if (payload.size() < fixed || payload[4] > 1) return std::nullopt;
  RequestReplyBody body;
  body.id = GetU32(payload.data());
  body.hasData = payload[4] == 1;
  body.format = GetU32(payload.data() + 5);
  if (!body.hasData && payload.size() > fixed) return std::nullopt;
  DropFront(payload, fixed);
  body.data = std::move(payload);
  return body;
}

}  // namespace winsub::dde
