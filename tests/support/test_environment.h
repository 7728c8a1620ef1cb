// Per-process isolation for tests: each test program gets its own temporary
// directory, with the DDE socket directory and the profile file inside it, so
// tests may run in parallel without seeing each other's servers or settings.
#pragma once

#include <string>

namespace kvxtest {

// The process's private scratch directory (created at start, removed at exit).
const std::string& ScratchDirectory();

// A fresh sub-directory of the scratch directory.
std::string MakeScratchSubdirectory(const std::string& stem);

// Replaces the profile file (WIN.INI) with the given text.
void WriteProfile(const std::string& text);

// Path of the profile file in use.
std::string ProfilePath();

// Writes a file (binary) and reads it back; throw on failure.
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

}  // namespace kvxtest
