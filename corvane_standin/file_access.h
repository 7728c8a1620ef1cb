// Whole-file reads and in-place writes for the stand-in's files (POSIX).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kvx::standin {

// Largest file the stand-in loads or saves.
inline constexpr std::size_t MaxFileBytes = 64u * 1024u * 1024u;

// True when path names an existing regular file (symbolic links followed).
bool IsRegularFile(const std::string& path);

// The file's bytes; nullopt when it cannot be read or exceeds MaxFileBytes.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file's contents in place (same inode, so its modification time
// moves on). The file must exist already. False on any failure.
bool RewriteFileInPlace(const std::string& path, const std::string& bytes);

// Sets the file's modification time to now + offsetSeconds. False on failure.
bool StampFile(const std::string& path, std::int64_t offsetSeconds);

}  // namespace kvx::standin
