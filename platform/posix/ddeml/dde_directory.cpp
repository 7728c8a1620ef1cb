#include "platform/posix/ddeml/dde_directory.h"

#include <cerrno>
#include <cstdlib>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/posix/ddeml/dde_socket_name.h"
#include "platform/posix/include/winsub_control.h"

namespace winsub::dde {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool SafeDirectory(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
}

// mkdir -p with mode 0700 for the parts that are missing.
bool MakeDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

}  // namespace

std::string DdeDirectoryPath() {
  std::string path = Environment("WINSUB_DDE_DIR");
  if (!path.empty()) return path;
  const std::string runtime = Environment("XDG_RUNTIME_DIR");
  if (!runtime.empty()) return runtime + "/winsub-dde";
  return "/tmp/winsub-dde-" + std::to_string(getuid());
}

std::optional<std::string> UsableDdeDirectory() {
  std::string path = DdeDirectoryPath();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (!SafeDirectory(path)) {
    MakeDirectories(path);
    if (!SafeDirectory(path)) return std::nullopt;
  }
  return path;
}

std::optional<std::string> ServiceSocketPath(std::string_view service) {
  const std::optional<std::string> directory = UsableDdeDirectory();
  if (!directory) return std::nullopt;
  const std::size_t limit = sizeof(sockaddr_un::sun_path) - 1;
  if (directory->size() + 2 + 9 > limit) return std::nullopt;
  return *directory + "/" + ServiceSocketName(service, limit - directory->size() - 1);
}

}  // namespace winsub::dde

WINSUB_API const char* WinsubDdeDirectory(void) {
  // Per thread, so a caller's pointer stays valid while other threads ask.
  thread_local std::string path;
  path = winsub::dde::UsableDdeDirectory().value_or(winsub::dde::DdeDirectoryPath());
  return path.c_str();
}
