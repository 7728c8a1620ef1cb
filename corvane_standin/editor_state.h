// A snapshot of what the stand-in holds, and its text form (the answer of the
// control service's "state" item).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane_standin/global_table.h"

namespace kvx::standin {

struct FileState {
  std::string path;
  std::string shadow;
  std::string text;
  std::int32_t line = 1;
  std::int32_t column = 1;
  std::int32_t top = 1;
  bool reloadedFromDisk = false;
  bool operator==(const FileState&) const = default;
};

struct GlobalState {
  std::string name;
  GlobalValue value;
  bool operator==(const GlobalState&) const = default;
};

struct EditorState {
  std::string session;
  std::string sessionDirectory;
  std::string activeFile;  // empty when none
  std::uint32_t activations = 0;
  std::vector<FileState> files;  // in the order they were first loaded
  std::vector<GlobalState> globals;

  const FileState* FindFile(std::string_view path) const;
  const GlobalState* FindGlobal(std::string_view name) const;  // exact spelling
  bool operator==(const EditorState&) const = default;
};

// Text form: length-prefixed, so paths and texts may hold any byte.
//   session <n>\n<bytes>\n
//   directory <n>\n<bytes>\n
//   active <n>\n<bytes>\n
//   activations <count>\n
//   file <line> <column> <top> <reloaded 0|1> <pathLen> <shadowLen> <textLen>\n
//        <path>\n<shadow>\n<text>\n                       (one per held file)
//   global integer <nameLen> <value>\n<name>\n           (one per global)
//   global string <nameLen> <textLen>\n<name>\n<text>\n
//   end\n
// Bytes after "end\n" are ignored.
std::string FormatState(const EditorState& state);
std::optional<EditorState> ParseState(std::string_view text);

}  // namespace kvx::standin
