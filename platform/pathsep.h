// Which characters end the directory part of a file name on this platform, and
// which one is appended to make a directory name. Name-splitting code asks here
// instead of hard-coding "\" and ":".
#pragma once

namespace kvx {

#ifdef _WIN32
inline constexpr char PathDelimiter = '\\';
inline constexpr bool IsPathDelimiter(char c) { return c == '\\' || c == ':'; }
#else
inline constexpr char PathDelimiter = '/';
inline constexpr bool IsPathDelimiter(char c) { return c == '/'; }
#endif

}  // namespace kvx
