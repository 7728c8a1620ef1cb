// Keeps the demo from hanging: when the whole run takes longer than its
// limit, the watchdog thread reports the step that was running, calls the
// clean-up and ends the process with status 1.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace kvxdemo {

class Watchdog {
 public:
  Watchdog(std::chrono::seconds limit, std::function<void()> cleanUp);
  ~Watchdog();  // stops watching
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  void Step(const std::string& name);

 private:
  void Watch(std::chrono::seconds limit);

  std::function<void()> cleanUp_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  std::string step_ = "start";
  std::thread thread_;
};

}  // namespace kvxdemo
