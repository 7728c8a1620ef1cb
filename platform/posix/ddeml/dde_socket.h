// Unix-domain stream sockets for DDE links: non-blocking, close-on-exec, and
// open only to processes of the same user.
#pragma once

#include <string>

#include "platform/posix/ddeml/dde_frame.h"

namespace winsub::dde {

enum class ListenResult { Listening, InUse, Failed };

// Binds and listens at path. A socket file left by a dead server (nobody
// accepts on it) is replaced; a live one answers InUse.
ListenResult ListenAt(const std::string& path, int& fd);

enum class ConnectResult { Connected, TryAgain, NoServer };

int NewStreamSocket();
// TryAgain: the server's backlog is full, it may accept later.
ConnectResult ConnectTo(int fd, const std::string& path);

// Whether the process at the other end runs as our user.
bool PeerIsSameUser(int fd);

enum class ReadResult { Open, PeerClosed, Failed };

// Appends what the socket holds to buffer, stopping once the buffer holds a
// whole frame or a header that can never be one, so a peer cannot make it
// grow past one frame.
ReadResult ReadAvailable(int fd, Bytes& buffer);

// Sends from buffer[sent...] until done or the socket is full; false when the
// link broke.
bool WriteAvailable(int fd, const Bytes& buffer, std::size_t& sent);

}  // namespace winsub::dde
