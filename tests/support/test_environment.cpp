#include "tests/support/test_environment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include <unistd.h>

namespace kvxtest {

namespace {

std::string MakeProcessScratch() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                        "/kvxtest-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

struct Scratch {
  std::string path = MakeProcessScratch();
  pid_t owner = getpid();
  ~Scratch() {
    // Forked children share the path; only the creating process cleans up.
    if (getpid() != owner) return;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

Scratch& ProcessScratch() {
  static Scratch scratch;
  return scratch;
}

}  // namespace

const std::string& ScratchDirectory() { return ProcessScratch().path; }

std::string MakeScratchSubdirectory(const std::string& stem) {
  std::string pattern = ScratchDirectory() + "/" + stem + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

std::string ProfilePath() { return ScratchDirectory() + "/win.ini"; }

void WriteProfile(const std::string& text) { WriteFileBytes(ProfilePath(), text); }

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kvxtest
