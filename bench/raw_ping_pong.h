// The floor of a DDE transaction: the same bytes across a Unix stream socket
// between two threads, one message each way, blocking reads and writes and no
// framing work beyond reading a length.
#pragma once

#include <cstddef>
#include <thread>
#include <vector>

namespace kvxbench {

// Bytes that cross for one transaction of the substitute transport (frame
// header and body each way).
struct Exchange {
  std::size_t sent = 0;
  std::size_t answered = 0;
};
Exchange ExecuteExchange(std::size_t commandBytes);
Exchange RequestExchange(std::size_t itemBytes, std::size_t replyBytes);

class RawPingPong {
 public:
  RawPingPong();
  ~RawPingPong();
  RawPingPong(const RawPingPong&) = delete;
  RawPingPong& operator=(const RawPingPong&) = delete;

  // One round trip: exchange.sent bytes over, exchange.answered bytes back.
  void RoundTrip(const Exchange& exchange);
  // Mean nanoseconds of count round trips.
  double MeanNs(const Exchange& exchange, int count);

 private:
  void Serve();
  int client_ = -1;
  int server_ = -1;
  std::vector<unsigned char> out_;
  std::vector<unsigned char> in_;
  std::thread thread_;
};

// Mean round trip of a fresh ping-pong, for benchmarks that need the floor
// once: a short warm-up, then count round trips.
double RawRoundTripNs(const Exchange& exchange, int count);

}  // namespace kvxbench
