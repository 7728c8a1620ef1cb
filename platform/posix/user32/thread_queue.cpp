// Per-thread message queues and the one place a thread waits: the queue's
// eventfd plus the fds the thread watches (its DDE sockets), whose handlers run
// on that thread inside the wait.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <unordered_map>

#include "platform/posix/internal/thread_wait.h"
#include "platform/posix/user32/user32_state.h"

namespace winsub::user32 {

namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
};

Registry& TheRegistry() {
  // Never destroyed: thread exits may still reach it during process exit.
  static auto* registry = new Registry;
  return *registry;
}

void RetireQueue(const std::shared_ptr<ThreadQueue>& queue) {
  std::deque<std::shared_ptr<SentMessage>> unanswered;
  {
    Lock lock(Mutex());
    queue->alive = false;
    TheRegistry().queues.erase(queue->threadId);
    unanswered.swap(queue->sent);
    DropThreadWindowsLocked(queue->threadId);
    DropThreadHooksLocked(queue->threadId);
    for (auto& message : unanswered) message->done = true;
  }
  // Senders waiting on a thread that has ended get 0.
  for (auto& message : unanswered)
    if (message->sender) message->sender->Wake();
}

struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  QueueHolder() = default;
  QueueHolder(const QueueHolder&) = delete;
  QueueHolder& operator=(const QueueHolder&) = delete;
  ~QueueHolder() {
    if (queue) RetireQueue(queue);
  }
};

thread_local QueueHolder currentQueue;

struct Watch {
  int fd = -1;
  short events = 0;
  FdHandler handler = nullptr;
  void* context = nullptr;
  bool busy = false;     // its handler is running: left out of nested waits
  bool removed = false;
};

thread_local std::vector<std::shared_ptr<Watch>> watches;

void RemoveWatch(int fd) {
  for (auto it = watches.begin(); it != watches.end(); ++it) {
    if ((*it)->fd == fd) {
      (*it)->removed = true;
      watches.erase(it);
      return;
    }
  }
}

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return 0;
  if (left.count() > INT_MAX) return INT_MAX;
  return static_cast<int>(left.count());
}

}  // namespace

std::mutex& Mutex() { return TheRegistry().mutex; }

ThreadQueue::ThreadQueue(DWORD id)
    : threadId(id), wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

ThreadQueue::~ThreadQueue() {
  if (wakeFd >= 0) close(wakeFd);
}

void ThreadQueue::Wake() const {
  const std::uint64_t one = 1;
  // A full counter already means "woken"; nothing else can fail here.
  [[maybe_unused]] const ssize_t written = write(wakeFd, &one, sizeof one);
}

void ThreadQueue::DrainWake() const {
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t got = read(wakeFd, &count, sizeof count);
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
  if (!currentQueue.queue) {
    auto queue = std::make_shared<ThreadQueue>(GetCurrentThreadId());
    Lock lock(Mutex());
    TheRegistry().queues[queue->threadId] = queue;
    currentQueue.queue = std::move(queue);
  }
  return currentQueue.queue;
}

std::shared_ptr<ThreadQueue> FindQueueLocked(DWORD threadId) {
  auto& queues = TheRegistry().queues;
  const auto it = queues.find(threadId);
  return it == queues.end() ? nullptr : it->second;
}

bool QueueHasLocked(const ThreadQueue& queue, UINT wakeMask) {
  if ((wakeMask & QS_SENDMESSAGE) != 0 && !queue.sent.empty()) return true;
  if ((wakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) != 0 &&
      (!queue.posted.empty() || queue.quitPending))
    return true;
  if ((wakeMask & QS_KEY) != 0 && !queue.input.empty() && !queue.input.front().inHook) return true;
  return false;
}

WaitResult WaitOnce(ThreadQueue& queue, int timeoutMs) {
  std::vector<pollfd> fds;
  std::vector<std::shared_ptr<Watch>> polled;
  fds.push_back(pollfd{queue.wakeFd, POLLIN, 0});
  for (const auto& watch : watches) {
    if (watch->busy || watch->removed) continue;
    fds.push_back(pollfd{watch->fd, watch->events, 0});
    polled.push_back(watch);
  }
  const int ready = poll(fds.data(), fds.size(), timeoutMs < 0 ? -1 : timeoutMs);
  if (ready < 0) return errno == EINTR ? WaitResult::Woken : WaitResult::Timeout;
  if (ready == 0) return WaitResult::Timeout;
  if (fds[0].revents != 0) queue.DrainWake();
  bool served = false;
  for (std::size_t i = 0; i < polled.size(); ++i) {
    const short revents = fds[i + 1].revents;
    Watch& watch = *polled[i];
    if (revents == 0 || watch.removed || watch.busy) continue;
    watch.busy = true;
    watch.handler(watch.context, watch.fd, revents);
    watch.busy = false;
    served = true;
    // A closed fd would report POLLNVAL forever: stop watching it.
    if ((revents & POLLNVAL) != 0 && !watch.removed) RemoveWatch(watch.fd);
  }
  return served ? WaitResult::FdsServed : WaitResult::Woken;
}

DWORD TickNow() { return GetTickCount(); }

}  // namespace winsub::user32

namespace winsub {

using namespace user32;

void WatchFd(int fd, short events, FdHandler handler, void* context) {
  for (const auto& watch : watches) {
    if (watch->fd == fd) {
      watch->events = events;
      watch->handler = handler;
      watch->context = context;
      return;
    }
  }
  auto watch = std::make_shared<Watch>();
  watch->fd = fd;
  watch->events = events;
  watch->handler = handler;
  watch->context = context;
  watches.push_back(std::move(watch));
}

void UnwatchFd(int fd) { RemoveWatch(fd); }

bool ThreadHasMessages() {
  auto queue = CurrentQueue();
  Lock lock(Mutex());
  return QueueHasLocked(*queue, QS_ALLINPUT);
}

bool WaitForThreadActivity(int timeoutMs) {
  auto queue = CurrentQueue();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    queue->DrainWake();
    if (ThreadHasMessages()) {
      WaitOnce(*queue, 0);  // still serve fds that are ready now
      return true;
    }
    const int wait = timeoutMs < 0 ? -1 : RemainingMs(deadline);
    const WaitResult result = WaitOnce(*queue, wait);
    if (result == WaitResult::FdsServed) return true;
    if (result == WaitResult::Timeout || (timeoutMs >= 0 && RemainingMs(deadline) == 0))
      return ThreadHasMessages();
  }
}

}  // namespace winsub
