#include "corvane_standin/editor_state.h"

#include <charconv>
#include <limits>

#include "corvane_standin/decimal_number.h"

namespace kvx::standin {

namespace {

void AppendBlock(std::string& out, std::string_view bytes) {
  out.append(bytes);
  out.push_back('\n');
}

// Reads the text form line by line and block by block.
class Reader {
 public:
  explicit Reader(std::string_view text) : rest_(text) {}

  std::optional<std::string_view> Line() {
    const std::size_t end = rest_.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = rest_.substr(0, end);
    rest_.remove_prefix(end + 1);
    return line;
  }

  std::optional<std::string> Block(std::uint64_t length) {
    if (length >= rest_.size() || rest_[length] != '\n') return std::nullopt;
    std::string bytes(rest_.substr(0, length));
    rest_.remove_prefix(length + 1);
    return bytes;
  }

 private:
  std::string_view rest_;
};

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  while (!line.empty()) {
    const std::size_t end = line.find(' ');
    words.push_back(line.substr(0, end));
    if (end == std::string_view::npos) break;
    line.remove_prefix(end + 1);
  }
  return words;
}

std::optional<std::string> NamedBlock(Reader& reader, std::string_view key) {
  const auto line = reader.Line();
  if (!line) return std::nullopt;
  const auto words = Words(*line);
  if (words.size() != 2 || words[0] != key) return std::nullopt;
  const auto length = ToNumber<std::uint64_t>(words[1]);
  if (!length) return std::nullopt;
  return reader.Block(*length);
}

std::optional<FileState> ParseFile(Reader& reader, const std::vector<std::string_view>& words) {
  if (words.size() != 8) return std::nullopt;
  FileState file;
  const auto line = ToNumber<std::int32_t>(words[1]);
  const auto column = ToNumber<std::int32_t>(words[2]);
  const auto top = ToNumber<std::int32_t>(words[3]);
  const auto reloaded = ToNumber<int>(words[4]);
  const auto pathLength = ToNumber<std::uint64_t>(words[5]);
  const auto shadowLength = ToNumber<std::uint64_t>(words[6]);
  const auto textLength = ToNumber<std::uint64_t>(words[7]);
  if (!line || !column || !top || !reloaded || *reloaded < 0 || *reloaded > 1 || !pathLength ||
      !shadowLength || !textLength)
    return std::nullopt;
  auto path = reader.Block(*pathLength);
  auto shadow = path ? reader.Block(*shadowLength) : std::nullopt;
  auto text = shadow ? reader.Block(*textLength) : std::nullopt;
  if (!text) return std::nullopt;
  file.path = std::move(*path);
  file.shadow = std::move(*shadow);
  file.text = std::move(*text);
  file.line = *line;
  file.column = *column;
  file.top = *top;
  file.reloadedFromDisk = *reloaded == 1;
  return file;
}

std::optional<GlobalState> ParseGlobal(Reader& reader, const std::vector<std::string_view>& words) {
  if (words.size() != 4) return std::nullopt;
  const auto nameLength = ToNumber<std::uint64_t>(words[2]);
  if (!nameLength) return std::nullopt;
  GlobalState global;
  if (words[1] == "integer") {
    const auto value = ToNumber<std::int32_t>(words[3]);
    auto name = value ? reader.Block(*nameLength) : std::nullopt;
    if (!name) return std::nullopt;
    global.name = std::move(*name);
    global.value = GlobalValue{GlobalKind::Integer, *value, {}};
    return global;
  }
  if (words[1] == "string") {
    const auto textLength = ToNumber<std::uint64_t>(words[3]);
    auto name = textLength ? reader.Block(*nameLength) : std::nullopt;
    auto text = name ? reader.Block(*textLength) : std::nullopt;
    if (!text) return std::nullopt;
    global.name = std::move(*name);
    global.value = GlobalValue{GlobalKind::String, 0, std::move(*text)};
    return global;
  }
  return std::nullopt;
}

}  // namespace

const FileState* EditorState::FindFile(std::string_view path) const {
  for (const FileState& file : files)
    if (file.path == path) return &file;
  return nullptr;
}

const GlobalState* EditorState::FindGlobal(std::string_view name) const {
  for (const GlobalState& global : globals)
    if (global.name == name) return &global;
  return nullptr;
}

std::string FormatState(const EditorState& state) {
  std::string out;
  out += "session " + std::to_string(state.session.size()) + "\n";
  AppendBlock(out, state.session);
  out += "directory " + std::to_string(state.sessionDirectory.size()) + "\n";
  AppendBlock(out, state.sessionDirectory);
  out += "active " + std::to_string(state.activeFile.size()) + "\n";
  AppendBlock(out, state.activeFile);
  out += "activations " + std::to_string(state.activations) + "\n";
  for (const FileState& file : state.files) {
    out += "file " + std::to_string(file.line) + " " + std::to_string(file.column) + " " +
           std::to_string(file.top) + " " + (file.reloadedFromDisk ? "1" : "0") + " " +
           std::to_string(file.path.size()) + " " + std::to_string(file.shadow.size()) + " " +
           std::to_string(file.text.size()) + "\n";
    AppendBlock(out, file.path);
    AppendBlock(out, file.shadow);
    AppendBlock(out, file.text);
  }
  for (const GlobalState& global : state.globals) {
    if (global.value.kind == GlobalKind::Integer) {
      out += "global integer " + std::to_string(global.name.size()) + " " +
             std::to_string(global.value.integer) + "\n";
      AppendBlock(out, global.name);
    } else {
      out += "global string " + std::to_string(global.name.size()) + " " +
             std::to_string(global.value.text.size()) + "\n";
      AppendBlock(out, global.name);
      AppendBlock(out, global.value.text);
    }
  }
  out += "end\n";
  return out;
}

std::optional<EditorState> ParseState(std::string_view text) {
  Reader reader(text);
  EditorState state;
  auto session = NamedBlock(reader, "session");
  auto directory = session ? NamedBlock(reader, "directory") : std::nullopt;
  auto active = directory ? NamedBlock(reader, "active") : std::nullopt;
  if (!active) return std::nullopt;
  state.session = std::move(*session);
  state.sessionDirectory = std::move(*directory);
  state.activeFile = std::move(*active);
  const auto activationLine = reader.Line();
  if (!activationLine) return std::nullopt;
  const auto activationWords = Words(*activationLine);
  if (activationWords.size() != 2 || activationWords[0] != "activations") return std::nullopt;
  const auto activations = ToNumber<std::uint32_t>(activationWords[1]);
  if (!activations) return std::nullopt;
  state.activations = *activations;
  for (;;) {
    const auto line = reader.Line();
    if (!line) return std::nullopt;
    if (*line == "end") return state;
    const auto words = Words(*line);
    if (words.empty()) return std::nullopt;
    if (words[0] == "file") {
      auto file = ParseFile(reader, words);
      if (!file) return std::nullopt;
      state.files.push_back(std::move(*file));
    } else if (words[0] == "global") {
      auto global = ParseGlobal(reader, words);
      if (!global) return std::nullopt;
      state.globals.push_back(std::move(*global));
    } else {
      return std::nullopt;
    }
  }
}

}  // namespace kvx::standin
