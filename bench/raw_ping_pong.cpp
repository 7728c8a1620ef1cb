#include "bench/raw_ping_pong.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "bench/bench_environment.h"

namespace kvxbench {

namespace {

constexpr std::size_t HeaderBytes = 8;  // the transport's frame header, too

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t count = write(fd, data, size);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    data += count;
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

bool ReadAll(int fd, unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t count = read(fd, data, size);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    data += count;
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

void PutU32(unsigned char* out, std::size_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  std::memcpy(out, &v, sizeof v);
}

std::size_t GetU32(const unsigned char* in) {
  std::uint32_t v = 0;
  std::memcpy(&v, in, sizeof v);
  return v;
}

}  // namespace

// Execute: header, transaction id, command / header, id, status.
Exchange ExecuteExchange(std::size_t commandBytes) { return {HeaderBytes + 4 + commandBytes, HeaderBytes + 6}; }

// Request: header, id, format, item length and item / header, id, has-data
// flag, format, data.
Exchange RequestExchange(std::size_t itemBytes, std::size_t replyBytes) {
  return {HeaderBytes + 10 + itemBytes, HeaderBytes + 9 + replyBytes};
}

RawPingPong::RawPingPong() {
  int fds[2] = {-1, -1};
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    throw std::runtime_error("socketpair failed");
  }
  client_ = fds[0];
  server_ = fds[1];
  thread_ = std::thread([this] { Serve(); });
}

RawPingPong::~RawPingPong() {
  shutdown(client_, SHUT_RDWR);
  thread_.join();
  close(client_);
  close(server_);
}

// Reads a message (its first 8 bytes: its own length, the answer's length)
// and answers with that many bytes.
void RawPingPong::Serve() {
  std::vector<unsigned char> message(HeaderBytes);
  std::vector<unsigned char> answer;
  for (;;) {
    if (!ReadAll(server_, message.data(), HeaderBytes)) return;
    const std::size_t total = GetU32(message.data());
    const std::size_t reply = GetU32(message.data() + 4);
    if (message.size() < total) message.resize(total);
    if (!ReadAll(server_, message.data() + HeaderBytes, total - HeaderBytes)) return;
    if (answer.size() < reply) answer.resize(reply, 'r');
    if (!WriteAll(server_, answer.data(), reply)) return;
  }
}

void RawPingPong::RoundTrip(const Exchange& exchange) {
  if (out_.size() < exchange.sent) out_.resize(exchange.sent, 's');
  if (in_.size() < exchange.answered) in_.resize(exchange.answered);
  PutU32(out_.data(), exchange.sent);
  PutU32(out_.data() + 4, exchange.answered);
  if (!WriteAll(client_, out_.data(), exchange.sent) ||
      !ReadAll(client_, in_.data(), exchange.answered)) {
    throw std::runtime_error("raw ping-pong broke");
  }
}

double RawPingPong::MeanNs(const Exchange& exchange, int count) {
  RoundTrip(exchange);  // buffers sized outside the timing
  const double start = NowNs();
  for (int i = 0; i < count; ++i) RoundTrip(exchange);
  return (NowNs() - start) / count;
}

double RawRoundTripNs(const Exchange& exchange, int count) {
  RawPingPong pingPong;
  for (int i = 0; i < 50; ++i) pingPong.RoundTrip(exchange);
  return pingPong.MeanNs(exchange, count);
}

}  // namespace kvxbench
