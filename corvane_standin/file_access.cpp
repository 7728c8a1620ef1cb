#include "corvane_standin/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace kvx::standin {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  std::string bytes;
  char block[65536];
  for (;;) {
    const ssize_t got = ::read(file.get(), block, sizeof block);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got == 0) break;
    if (bytes.size() + static_cast<std::size_t>(got) > MaxFileBytes) return std::nullopt;
    bytes.append(block, static_cast<std::size_t>(got));
  }
  return bytes;
}

bool RewriteFileInPlace(const std::string& path, const std::string& bytes) {
  if (path.empty() || bytes.size() > MaxFileBytes) return false;
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  if (file.get() < 0) return false;
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t put = ::write(file.get(), bytes.data() + written, bytes.size() - written);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<std::size_t>(put);
  }
  return file.Close();
}

bool StampFile(const std::string& path, std::int64_t offsetSeconds) {
  if (path.empty()) return false;
  struct timespec now {};
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  struct timespec times[2];
  times[0] = now;
  times[1] = now;
  times[1].tv_sec = static_cast<time_t>(now.tv_sec + offsetSeconds);
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace kvx::standin
