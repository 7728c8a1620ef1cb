// A DDE partner that breaks the rules, for the hostile-peer tests. It speaks
// the frames directly (no libwinsub) and misbehaves as told:
//   rogue_peer server <mode> <socket path>
//     answers the connect, reads one transaction, then: garbage | oversize |
//     truncated (half a reply, then exit) | stall (half a reply, then silence)
//     | hangup (exit) | silent (no answer) | wrongtype (a reply of the wrong type);
//     or, before answering the connect: mute (never answers) | slam (exits)
//   rogue_peer client <mode> <socket path>
//     garbage | oversize (instead of a connect) | halfconnect (half a connect,
//     then silence) | truncated (connects, then half an execute, then exit)
// Prints "ready" once it listens (server) or has connected (client). A server
// exits 0 when the other side closes the link; a client exits 0 when the
// server closes it. Gives up after a few seconds (exit 2).
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/posix/ddeml/dde_frame.h"
#include "platform/posix/include/win32_subset.h"

namespace {

using namespace winsub::dde;

bool WriteAll(int fd, const Bytes& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t count = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count <= 0) return false;
    sent += static_cast<std::size_t>(count);
  }
  return true;
}

bool ReadExact(int fd, unsigned char* data, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t count = read(fd, data + got, size - got);
    if (count <= 0) return false;
    got += static_cast<std::size_t>(count);
  }
  return true;
}

bool ReadFrame(int fd, Frame& frame) {
  Bytes buffer(FrameHeaderSize);
  if (!ReadExact(fd, buffer.data(), FrameHeaderSize)) return false;
  std::size_t size = 0;
  if (CheckFrameHeader(buffer.data(), buffer.size(), size) == HeaderCheck::Invalid) return false;
  buffer.resize(size);
  if (!ReadExact(fd, buffer.data() + FrameHeaderSize, size - FrameHeaderSize)) return false;
  frame = TakeFrame(buffer, size);
  return true;
}

// Waits until the other side closes the link: 0 when it did.
int AwaitClose(int fd) {
  unsigned char sink[4096];
  for (;;) {
    const ssize_t count = read(fd, sink, sizeof sink);
    // A reset is a close with our bytes left unread.
    if (count == 0 || (count < 0 && errno == ECONNRESET)) return 0;
    if (count < 0) return 1;
  }
}

sockaddr_un Address(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  return address;
}

void Ready() {
  std::puts("ready");
  std::fflush(stdout);
}

Bytes Half(const Bytes& frame) {
  return Bytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(frame.size() / 2 + 1));
}

Bytes OversizeHeader(FrameType type) {
  const std::uint32_t length = static_cast<std::uint32_t>(MaxFramePayload + 1);
  Bytes bytes{FrameMagic0, FrameMagic1, static_cast<unsigned char>(type), 0,
              static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
              static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
  bytes.resize(bytes.size() + 64, 'o');
  return bytes;
}

const Bytes Garbage{'n', 'o', 't', ' ', 'a', ' ', 'f', 'r', 'a', 'm', 'e', '\n'};

int Serve(const std::string& mode, const std::string& path) {
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_un address = Address(path);
  unlink(path.c_str());
  if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 4) != 0) {
    return 3;
  }
  Ready();
  const int link = accept(listener, nullptr, nullptr);
  close(listener);
  unlink(path.c_str());
  Frame frame;
  if (link < 0 || !ReadFrame(link, frame) || frame.type != FrameType::Connect) return 4;
  if (mode == "slam") return 0;
  if (mode == "mute") return AwaitClose(link);
  if (!WriteAll(link, EncodeConnectReply(true))) return 5;
  if (!ReadFrame(link, frame)) return 6;
  std::uint32_t id = 0;
  if (const auto execute = DecodeExecute(frame.payload); frame.type == FrameType::Execute && execute) {
    id = execute->id;
  } else if (const auto request = DecodeRequest(frame.payload); request) {
    id = request->id;
  }
  const Bytes reply = frame.type == FrameType::Execute
                          ? EncodeExecuteReply({id, DDE_FACK})
                          : EncodeRequestReply({id, true, CF_TEXT, Bytes{'4', '2', 0}});
  if (mode == "garbage") WriteAll(link, Garbage);
  else if (mode == "oversize") WriteAll(link, OversizeHeader(FrameType::ExecuteReply));
  else if (mode == "truncated") {
    WriteAll(link, Half(reply));
    return 0;
  } else if (mode == "stall") WriteAll(link, Half(reply));
  else if (mode == "hangup") return 0;
  else if (mode == "wrongtype") {
    WriteAll(link, frame.type == FrameType::Execute
                       ? EncodeRequestReply({id, true, CF_TEXT, Bytes{'x'}})
                       : EncodeExecuteReply({id, DDE_FACK}));
  } else if (mode != "silent") return 7;
  return AwaitClose(link);
}

int Intrude(const std::string& mode, const std::string& path) {
  const int link = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_un address = Address(path);
  if (connect(link, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return 3;
  Ready();
  const Bytes connectFrame = EncodeConnect({"System", "Corvane"});
  if (mode == "garbage") WriteAll(link, Garbage);
  else if (mode == "oversize") WriteAll(link, OversizeHeader(FrameType::Connect));
  else if (mode == "halfconnect") WriteAll(link, Half(connectFrame));
  else if (mode == "truncated") {
    Frame frame;
    if (!WriteAll(link, connectFrame) || !ReadFrame(link, frame)) return 4;
    const char command[] = "half";
    WriteAll(link, Half(EncodeExecute(1, reinterpret_cast<const unsigned char*>(command), 5)));
    return 0;
  } else {
    return 7;
  }
  return AwaitClose(link);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 64;
  alarm(5);  // never outlive a test
  const std::string role = argv[1];
  if (role == "server") return Serve(argv[2], argv[3]);
  if (role == "client") return Intrude(argv[2], argv[3]);
  return 64;
}
