#include "simide/script.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <thread>

#include "simide/text_positions.h"
#include "simide/workspace.h"

namespace simide {

namespace {

bool ParseNumber(const std::string& word, long& value) {
  const char* first = word.data();
  const char* last = word.data() + word.size();
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PosText(const kvx::TEditPos& pos) {
  return std::to_string(pos.Line) + ":" + std::to_string(pos.Col);
}

// The text after the command word, as written (for echo).
std::string RestAfterFirstWord(const std::string& line) {
  std::size_t i = 0;
  while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
  while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
  while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
  return line.substr(i);
}

}  // namespace

bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error) {
  words.clear();
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= line.size()) return true;
    std::string word;
    if (line[i] != '"') {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) word += line[i++];
      words.push_back(word);
      continue;
    }
    ++i;
    bool closed = false;
    while (i < line.size()) {
      const char c = line[i++];
      if (c == '"') {
        closed = true;
        break;
      }
      if (c != '\\') {
        word += c;
        continue;
      }
      if (i >= line.size()) break;
      const char e = line[i++];
      switch (e) {
        case 'r': word += '\r'; break;
        case 'n': word += '\n'; break;
        case 't': word += '\t'; break;
        case '0': word += '\0'; break;
        case '\\': word += '\\'; break;
        case '"': word += '"'; break;
        case 'x': {
          const int high = i < line.size() ? HexDigit(line[i]) : -1;
          const int low = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
          if (high < 0 || low < 0) {
            error = "\\x needs two hex digits";
            return false;
          }
          word += static_cast<char>(high * 16 + low);
          i += 2;
          break;
        }
        default: error = std::string("unknown escape \\") + e; return false;
      }
    }
    if (!closed) {
      error = "unterminated quote";
      return false;
    }
    words.push_back(word);
  }
}

std::string Escaped(const std::string& bytes) {
  std::string text;
  for (const char c : bytes) {
    switch (c) {
      case '\r': text += "\\r"; break;
      case '\n': text += "\\n"; break;
      case '\t': text += "\\t"; break;
      case '\\': text += "\\\\"; break;
      case '"': text += "\\\""; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
          text += hex;
        } else {
          text += c;
        }
    }
  }
  return text;
}

ScriptRunner::ScriptRunner(SimIde& ide, std::ostream& out, std::ostream& err)
    : ide_(ide), out_(out), err_(err) {}

int ScriptRunner::Run(std::istream& in, bool interactive) {
  std::string line;
  int number = 0;
  int failures = 0;
  while (true) {
    if (interactive) out_ << "simide> " << std::flush;
    if (!std::getline(in, line)) break;
    const Outcome outcome = RunLine(line, ++number);
    if (outcome == Outcome::Quit) break;
    if (outcome == Outcome::Failed) {
      ++failures;
      if (!interactive) return 1;
    }
  }
  return failures == 0 ? 0 : 1;
}

ScriptRunner::Outcome ScriptRunner::RunLine(const std::string& line, int lineNumber) {
  lineNumber_ = lineNumber;
  std::vector<std::string> words;
  std::string error;
  if (!SplitWords(line, words, error)) return Fail(error);
  if (words.empty() || words[0][0] == '#') return Outcome::Ok;
  return Execute(words, line);
}

ScriptRunner::Outcome ScriptRunner::Fail(const std::string& message) {
  err_ << "FAILED at line " << lineNumber_ << ": " << message << std::endl;
  return Outcome::Failed;
}

ScriptRunner::Outcome ScriptRunner::Check(bool ok, const std::string& what) {
  if (!ok) return Fail(what + " failed");
  out_ << what << ": ok" << std::endl;
  return Outcome::Ok;
}

bool ScriptRunner::Offset(const std::string& file, const std::string& place, std::size_t& offset) {
  long number = 0;
  if (!place.empty() && place[0] == '@') {
    if (!ParseNumber(place.substr(1), number) || number < 0) return false;
    offset = static_cast<std::size_t>(number);
    return true;
  }
  const std::size_t colon = place.find(':');
  long line = 0;
  long column = 0;
  if (colon == std::string::npos || !ParseNumber(place.substr(0, colon), line) ||
      !ParseNumber(place.substr(colon + 1), column) || line < 1 || column < 1) {
    return false;
  }
  const auto text = ide_.BufferText(file);
  if (!text) return false;
  offset = OffsetOf(*text, {line, column});
  return true;
}

ScriptRunner::Outcome ScriptRunner::Execute(const std::vector<std::string>& words,
                                            const std::string& line) {
  const std::string& command = words[0];
  const std::size_t argc = words.size() - 1;
  auto usage = [&](const char* form) { return Fail(std::string("usage: ") + form); };
  long a = 0;
  long b = 0;

  if (command == "try") {
    if (argc == 0) return usage("try <command...>");
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (Execute(rest, RestAfterFirstWord(line)) == Outcome::Failed) {
      out_ << "(failure accepted by try)" << std::endl;
    }
    return Outcome::Ok;
  }
  if (command == "quit" || command == "exit") return Outcome::Quit;
  if (command == "echo") {
    out_ << RestAfterFirstWord(line) << std::endl;
    return Outcome::Ok;
  }
  if (command == "load") {
    const std::string path = argc >= 1 ? words[1] : defaultExpert_;
    if (path.empty()) return usage("load <library>");
    const LoadResult loaded = ide_.LoadExpert(path);
    if (!loaded.loaded) return Fail("load " + path + ": " + loaded.error);
    out_ << "load " << path << ": ok, " << SimIde::EntryPointName() << " answered true, "
         << ide_.RegisteredExpertCount() << " expert(s) registered" << std::endl;
    return Outcome::Ok;
  }
  if (command == "reenter") {
    const EntryCallResult call = ide_.CallEntryPointAgain();
    if (!call.called) return Fail("reenter: no expert loaded");
    out_ << "reenter: entry point answered " << (call.result ? "true" : "false")
         << (call.terminateWritten ? ", terminate procedure written" : "") << std::endl;
    return Outcome::Ok;
  }
  if (command == "project") {
    if (argc == 2 && words[1] == "open") return Check(ide_.OpenProject(words[2]), "project open");
    if (argc == 1 && words[1] == "close") return Check(ide_.CloseProject(), "project close");
    return usage("project open <file> | project close");
  }
  if (command == "open" || command == "add" || command == "close" || command == "select" ||
      command == "save" || command == "undo") {
    if (argc != 1) return usage("open|add|close|select|save|undo <file>");
    const std::string& file = words[1];
    bool ok = false;
    if (command == "open") ok = ide_.OpenFile(file);
    if (command == "add") ok = ide_.AddFile(file);
    if (command == "close") ok = ide_.CloseFile(file);
    if (command == "select") ok = ide_.SelectFile(file);
    if (command == "save") ok = ide_.SaveFile(file);
    if (command == "undo") ok = ide_.Undo(file);
    return Check(ok, command + " " + file);
  }
  if (command == "saveas") {
    if (argc != 2) return usage("saveas <file> <new file>");
    return Check(ide_.SaveFileAs(words[1], words[2]), "saveas " + words[1] + " " + words[2]);
  }
  if (command == "type") {
    if (argc != 1) return usage("type <text>");
    return Check(ide_.TypeText(words[1]), "type");
  }
  if (command == "insert" || command == "replace") {
    const bool replace = command == "replace";
    if (argc != (replace ? 4u : 3u)) {
      return usage("insert <file> <line:col|@offset> <text> | replace <file> <place> <count> <text>");
    }
    std::size_t offset = 0;
    if (!Offset(words[1], words[2], offset)) return Fail("bad place " + words[2] + " in " + words[1]);
    if (replace && (!ParseNumber(words[3], a) || a < 0)) return Fail("bad count " + words[3]);
    const bool ok = replace ? ide_.ReplaceText(words[1], offset, static_cast<std::size_t>(a), words[4])
                            : ide_.InsertText(words[1], offset, words[3]);
    return Check(ok, command + " " + words[1] + " at @" + std::to_string(offset));
  }
  if (command == "cursor" || command == "top" || command == "viewsize") {
    if (argc < 2 || argc > 3 || !ParseNumber(words[2], a) || (argc == 3 && !ParseNumber(words[3], b))) {
      return usage("cursor <file> <line> <col> | top <file> <line> [col] | viewsize <file> <cols> <lines>");
    }
    if (command == "cursor") return Check(argc == 3 && ide_.SetCursor(words[1], a, b), "cursor");
    if (command == "top") return Check(ide_.SetTopLine(words[1], a, argc == 3 ? b : 1), "top");
    return Check(argc == 3 && ide_.SetViewSize(words[1], static_cast<int>(a), static_cast<int>(b)),
                 "viewsize");
  }
  if (command == "views") {
    if (argc != 2 || !ParseNumber(words[2], a)) return usage("views <file> <count>");
    return Check(ide_.SetViewCount(words[1], static_cast<int>(a)), "views");
  }
  if (command == "deactivate" || command == "activate") {
    if (command == "deactivate") {
      ide_.DeactivateApp();
    } else {
      ide_.ActivateApp();
    }
    ide_.PumpUntilIdle();
    out_ << command << ": done" << std::endl;
    return Outcome::Ok;
  }
  if (command == "key") {
    if ((argc != 1 && argc != 3) || (argc == 3 && (words[2] != "repeat" || !ParseNumber(words[3], a)))) {
      return usage("key <chord> [repeat <n>]");
    }
    if (!ide_.PressChord(words[1], static_cast<int>(a))) return Fail("unknown key chord " + words[1]);
    out_ << "key " << words[1] << ": pressed" << std::endl;
    return Outcome::Ok;
  }
  if (command == "debug") {
    if (argc != 1 || (words[1] != "start" && words[1] != "stop")) return usage("debug start|stop");
    if (words[1] == "start") {
      ide_.StartDebugging();
    } else {
      ide_.StopDebugging();
    }
    out_ << "debug " << words[1] << ": ok" << std::endl;
    return Outcome::Ok;
  }
  if (command == "answer") {
    if (argc != 1) return usage("answer yes|no|ok|cancel");
    const std::string& which = words[1];
    const int answer = which == "yes" ? IDYES : which == "no" ? IDNO : which == "ok" ? IDOK
                       : which == "cancel" ? IDCANCEL : 0;
    if (answer == 0) return usage("answer yes|no|ok|cancel");
    ide_.QueueMessageBoxAnswer(answer);
    out_ << "answer " << which << ": queued" << std::endl;
    return Outcome::Ok;
  }
  if (command == "pump") {
    if (argc == 0) {
      out_ << "pump: " << ide_.PumpUntilIdle() << " message(s)" << std::endl;
      return Outcome::Ok;
    }
    if (argc != 1 || !ParseNumber(words[1], a) || a < 0) return usage("pump [ms]");
    ide_.PumpFor(static_cast<unsigned>(a));
    out_ << "pump " << a << " ms: done" << std::endl;
    return Outcome::Ok;
  }
  if (command == "sleep") {
    if (argc != 1 || !ParseNumber(words[1], a) || a < 0) return usage("sleep <ms>");
    std::this_thread::sleep_for(std::chrono::milliseconds(a));
    return Outcome::Ok;
  }
  if (command == "write-file") {
    if (argc != 2) return usage("write-file <file> <text>");
    return Check(WriteWholeFile(words[1], words[2]), "write-file " + words[1]);
  }
  if (command == "close-ide") {
    ide_.SendCloseCommand();
    ide_.PumpUntilIdle();
    out_ << "close-ide: parent window " << (IsWindow(ide_.ParentWindow()) ? "still open" : "destroyed")
         << std::endl;
    return Outcome::Ok;
  }
  if (command == "destroy") {
    ide_.DestroyWindows();
    ide_.PumpUntilIdle();
    out_ << "destroy: windows destroyed" << std::endl;
    return Outcome::Ok;
  }
  if (command == "shutdown") {
    ide_.Shutdown();
    out_ << "shutdown: done" << (ide_.WindowProcedureLeftSubclassed() ? " (window left subclassed)" : "")
         << std::endl;
    return Outcome::Ok;
  }
  if (command == "show") return Show(words);
  if (command.rfind("expect-", 0) == 0) return Expect(words);
  return Fail("unknown command " + command);
}

ScriptRunner::Outcome ScriptRunner::Show(const std::vector<std::string>& words) {
  const std::string what = words.size() > 1 ? words[1] : "";
  if (words.size() == 3 && (what == "buffer" || what == "cursor" || what == "modified")) {
    const std::string& file = words[2];
    if (!ide_.IsOpen(file)) return Fail(file + " is not open");
    if (what == "buffer") out_ << "buffer " << file << ": \"" << Escaped(*ide_.BufferText(file)) << "\"";
    if (what == "modified") out_ << "modified " << file << ": " << (*ide_.IsModified(file) ? "yes" : "no");
    if (what == "cursor") {
      const auto cursor = ide_.Cursor(file);
      const auto top = ide_.TopPosition(file);
      if (!cursor) return Fail(file + " has no view");
      out_ << "cursor " << file << ": " << PosText(*cursor) << " top " << PosText(*top);
    }
    out_ << std::endl;
    return Outcome::Ok;
  }
  if (words.size() == 2) {
    if (what == "files") {
      out_ << "files:";
      for (const std::string& file : ide_.OpenFiles()) out_ << " " << file;
      out_ << std::endl;
      return Outcome::Ok;
    }
    if (what == "front") {
      out_ << "front: " << ide_.FrontFile() << std::endl;
      return Outcome::Ok;
    }
    if (what == "project") {
      out_ << "project: " << ide_.ProjectName() << std::endl;
      return Outcome::Ok;
    }
    if (what == "boxes") {
      out_ << "message boxes: " << ide_.MessageBoxesShown().size() << std::endl;
      for (const MessageBoxRecord& box : ide_.MessageBoxesShown()) {
        out_ << "  \"" << Escaped(box.caption) << "\" \"" << Escaped(box.text) << "\" style 0x" << std::hex
             << box.style << std::dec << " answered " << box.answer << std::endl;
      }
      return Outcome::Ok;
    }
    if (what == "objects") {
      const ObjectCounts live = ide_.LiveObjects();
      out_ << "objects:";
      for (std::size_t i = 0; i < ObjectKindCount; ++i) {
        out_ << " " << ObjectKindName(static_cast<ObjectKind>(i)) << "=" << live.live[i];
      }
      out_ << " over-released=" << ide_.OverReleases() << std::endl;
      return Outcome::Ok;
    }
  }
  return Fail("usage: show buffer|cursor|modified <file> | show files|front|project|boxes|objects");
}

ScriptRunner::Outcome ScriptRunner::Expect(const std::vector<std::string>& words) {
  const std::string& command = words[0];
  const std::size_t argc = words.size() - 1;
  long a = 0;
  long b = 0;
  if (command == "expect-text" && argc == 2) {
    const auto text = ide_.BufferText(words[1]);
    if (!text) return Fail(words[1] + " is not open");
    if (*text != words[2]) {
      return Fail("expected text \"" + Escaped(words[2]) + "\" in " + words[1] + ", got \"" +
                  Escaped(*text) + "\"");
    }
    return Check(true, "expect-text " + words[1]);
  }
  if (command == "expect-file" && argc == 2) {
    const auto bytes = ReadWholeFile(words[1]);
    if (!bytes) return Fail("cannot read " + words[1]);
    if (*bytes != words[2]) {
      return Fail("expected file " + words[1] + " to hold \"" + Escaped(words[2]) + "\", it holds \"" +
                  Escaped(*bytes) + "\"");
    }
    return Check(true, "expect-file " + words[1]);
  }
  if ((command == "expect-cursor" || command == "expect-top") && argc == 3 &&
      ParseNumber(words[2], a) && ParseNumber(words[3], b)) {
    const auto pos = command == "expect-cursor" ? ide_.Cursor(words[1]) : ide_.TopPosition(words[1]);
    if (!pos) return Fail(words[1] + " is not open or has no view");
    if (pos->Line != a || pos->Col != b) {
      return Fail("expected " + command.substr(7) + " " + std::to_string(a) + ":" + std::to_string(b) +
                  " in " + words[1] + ", got " + PosText(*pos));
    }
    return Check(true, command + " " + words[1]);
  }
  if (command == "expect-modified" && argc == 2 && (words[2] == "yes" || words[2] == "no")) {
    const auto modified = ide_.IsModified(words[1]);
    if (!modified) return Fail(words[1] + " is not open");
    if (*modified != (words[2] == "yes")) {
      return Fail("expected " + words[1] + (words[2] == "yes" ? " modified" : " unmodified"));
    }
    return Check(true, "expect-modified " + words[1]);
  }
  if (command == "expect-front" && argc == 1) {
    const std::string expected = SimIde::FullName(words[1]);
    if (ide_.FrontFile() != expected) {
      return Fail("expected front editor " + expected + ", got " + ide_.FrontFile());
    }
    return Check(true, "expect-front " + words[1]);
  }
  if ((command == "expect-boxes" || command == "expect-objects") && argc == 1 && ParseNumber(words[1], a)) {
    const long actual = command == "expect-boxes" ? static_cast<long>(ide_.MessageBoxesShown().size())
                                                  : ide_.LiveObjects().HandedOut();
    if (actual != a) {
      return Fail(std::string(command == "expect-boxes" ? "message boxes" : "live objects") + ": expected " +
                  std::to_string(a) + ", got " + std::to_string(actual));
    }
    return Check(true, command + " " + words[1]);
  }
  return Fail("unknown or malformed check " + command);
}

}  // namespace simide
