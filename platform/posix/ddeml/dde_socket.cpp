#include "platform/posix/ddeml/dde_socket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace winsub::dde {

namespace {

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool BindAndListen(int fd, const sockaddr_un& address) {
  return bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
         listen(fd, SOMAXCONN) == 0;
}

// Whether a server accepts at path now (connect refused: the file is stale).
bool SomeoneListens(const std::string& path) {
  const int probe = NewStreamSocket();
  if (probe < 0) return true;
  const ConnectResult result = ConnectTo(probe, path);
  close(probe);
  return result != ConnectResult::NoServer;
}

}  // namespace

int NewStreamSocket() { return socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

ListenResult ListenAt(const std::string& path, int& fd) {
  sockaddr_un address{};
  if (!MakeAddress(path, address)) return ListenResult::Failed;
  // Two tries: the second after removing a stale file.
  for (int attempt = 0; attempt < 2; ++attempt) {
    fd = NewStreamSocket();
    if (fd < 0) return ListenResult::Failed;
    if (BindAndListen(fd, address)) return ListenResult::Listening;
    const int error = errno;
    close(fd);
    fd = -1;
    if (error != EADDRINUSE) return ListenResult::Failed;
    if (SomeoneListens(path)) return ListenResult::InUse;
    if (unlink(path.c_str()) != 0 && errno != ENOENT) return ListenResult::Failed;
  }
  return ListenResult::InUse;
}

ConnectResult ConnectTo(int fd, const std::string& path) {
  sockaddr_un address{};
  if (!MakeAddress(path, address)) return ConnectResult::NoServer;
  for (;;) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      return ConnectResult::Connected;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return ConnectResult::TryAgain;
    return ConnectResult::NoServer;
  }
}

bool PeerIsSameUser(int fd) {
  ucred credentials{};
  socklen_t length = sizeof credentials;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return false;
  return length == sizeof credentials && credentials.uid == geteuid();
}

ReadResult ReadAvailable(int fd, Bytes& buffer) {
  unsigned char chunk[65536];
  for (;;) {
    std::size_t frameSize = 0;
    if (CheckFrameHeader(buffer.data(), buffer.size(), frameSize) != HeaderCheck::NeedMore) {
      return ReadResult::Open;
    }
    // Never read past the end of the frame being collected. Room for the
    // whole frame is made once its length is known, so a large frame is not
    // copied again each time the buffer would have grown.
    std::size_t wanted = sizeof chunk;
    if (buffer.size() >= FrameHeaderSize) {
      buffer.reserve(frameSize);
      wanted = std::min(wanted, frameSize - buffer.size());
    } else {
      wanted = std::min(wanted, FrameHeaderSize - buffer.size());
    }
    const ssize_t count = recv(fd, chunk, wanted, MSG_DONTWAIT);
    if (count > 0) {
      buffer.insert(buffer.end(), chunk, chunk + count);
      continue;
    }
    if (count == 0) return ReadResult::PeerClosed;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return ReadResult::Open;
    return ReadResult::Failed;
  }
}

bool WriteAvailable(int fd, const Bytes& buffer, std::size_t& sent) {
  while (sent < buffer.size()) {
    const ssize_t count =
        send(fd, buffer.data() + sent, buffer.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (count > 0) {
      sent += static_cast<std::size_t>(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    return false;
  }
  return true;
}

}  // namespace winsub::dde
