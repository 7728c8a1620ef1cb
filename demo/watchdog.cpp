#include "demo/watchdog.h"

#include <unistd.h>

#include <iostream>

namespace kvxdemo {

Watchdog::Watchdog(std::chrono::seconds limit, std::function<void()> cleanUp)
    : cleanUp_(std::move(cleanUp)), thread_([this, limit] { Watch(limit); }) {}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_all();
  thread_.join();
}

void Watchdog::Step(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  step_ = name;
}

void Watchdog::Watch(std::chrono::seconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (stop_.wait_for(lock, limit, [this] { return stopping_; })) return;
  const std::string step = step_;
  lock.unlock();
  std::cout << std::endl;
  std::cout << "DEMO FAILED: no result after " << limit.count() << " s, stuck in step \"" << step << "\""
            << std::endl;
  if (cleanUp_) cleanUp_();
  _exit(1);
}

}  // namespace kvxdemo
