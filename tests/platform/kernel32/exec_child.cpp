// Started by the WinExec tests. Writes, NUL-separated, to the file named by
// KVX_CHILD_OUT (so the environment must have come through):
//   "stdin=null" or "stdin=other", "fds=" + descriptors above 2 it inherited,
//   argv[0], then every argument.
// The file appears at once (written aside, then renamed). With KVX_CHILD_DELAY_MS
// set, it first closes its output streams and waits that long.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

bool StdinIsDevNull() {
  struct stat input {};
  struct stat devNull {};
  return fstat(STDIN_FILENO, &input) == 0 && stat("/dev/null", &devNull) == 0 &&
         S_ISCHR(input.st_mode) && input.st_rdev == devNull.st_rdev;
}

std::string InheritedDescriptors() {
  std::string list;
  DIR* directory = opendir("/proc/self/fd");
  if (directory == nullptr) return "?";
  const int own = dirfd(directory);
  while (const dirent* entry = readdir(directory)) {
    if (entry->d_name[0] == '.') continue;
    const int fd = std::atoi(entry->d_name);
    if (fd > 2 && fd != own) list += std::string(list.empty() ? "" : ",") + entry->d_name;
  }
  closedir(directory);
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  const char* out = std::getenv("KVX_CHILD_OUT");
  if (out == nullptr) return 2;
  if (const char* delay = std::getenv("KVX_CHILD_DELAY_MS")) {
    std::fclose(stdout);
    std::fclose(stderr);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
  }
  std::string record = StdinIsDevNull() ? "stdin=null" : "stdin=other";
  record += '\0';
  record += "fds=" + InheritedDescriptors();
  record += '\0';
  for (int i = 0; i < argc; ++i) {
    record += argv[i];
    record += '\0';
  }
  const std::string aside = std::string(out) + ".part";
  {
    std::ofstream file(aside, std::ios::binary);
    file.write(record.data(), static_cast<std::streamsize>(record.size()));
  }
  return std::rename(aside.c_str(), out) == 0 ? 0 : 1;
}
