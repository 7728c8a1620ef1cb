#include "demo/transcript_view.h"

#include <sys/stat.h>

#include <cstdint>
#include <algorithm>
#include <map>
#include <thread>

#include "corvane_standin/execute_text.h"
#include "demo/text_display.h"

namespace kvxdemo {

using kvx::standin::Answer;
using kvx::standin::ExecuteKind;
using kvx::standin::GlobalKind;
using kvx::standin::ParseExecuteText;
using kvx::standin::RecordKind;
using kvx::standin::TranscriptRecord;

namespace {

bool ConversationsEnded(const std::vector<TranscriptRecord>& records) {
  std::map<std::uint32_t, int> open;
  for (const auto& record : records) {
    if (record.kind == RecordKind::Connect && record.answer == Answer::Ack) ++open[record.conversation];
    if (record.kind == RecordKind::Disconnect) --open[record.conversation];
  }
  for (const auto& [conversation, count] : open) {
    if (count > 0) return false;
  }
  return true;
}

std::string WithoutFinalNul(const std::string& data) {
  return !data.empty() && data.back() == '\0' ? data.substr(0, data.size() - 1) : data;
}

// A global's answer shown by its kind: a number for the 4 bytes of an
// integer, the text for a string.
std::string ShowValue(const std::string& data, GlobalKind kind) {
  if (kind == GlobalKind::Integer && data.size() == 4) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
    return std::to_string(static_cast<std::int32_t>(value));
  }
  return Quoted(WithoutFinalNul(data));
}

struct ParsedSetup {
  std::string name;
  GlobalKind kind = GlobalKind::Integer;
};

std::optional<ParsedSetup> SetupOf(const TranscriptRecord& record) {
  if (record.kind != RecordKind::Execute) return std::nullopt;
  const auto parsed = ParseExecuteText(record.data);
  if (!parsed.text || parsed.text->kind != ExecuteKind::SetupGlobal) return std::nullopt;
  return ParsedSetup{parsed.text->body, parsed.text->globalKind};
}

bool IsResetOf(const TranscriptRecord& record, const std::string& name) {
  if (record.kind != RecordKind::Execute) return false;
  const auto parsed = ParseExecuteText(record.data);
  return parsed.text && parsed.text->kind == ExecuteKind::ResetGlobal && parsed.text->body == name;
}

// True when a set-up, a request and a reset of one global, on one
// conversation, start at `i`.
bool IsFoldedRead(const std::vector<TranscriptRecord>& records, std::size_t i, ParsedSetup* setup) {
  if (i + 2 >= records.size()) return false;
  const auto found = SetupOf(records[i]);
  if (!found) return false;
  const TranscriptRecord& request = records[i + 1];
  if (request.kind != RecordKind::Request || request.item != found->name ||
      request.conversation != records[i].conversation) {
    return false;
  }
  if (!IsResetOf(records[i + 2], found->name) || records[i + 2].conversation != records[i].conversation) {
    return false;
  }
  *setup = *found;
  return true;
}

}  // namespace

std::optional<std::vector<TranscriptRecord>> TranscriptFollower::TakeNew(std::chrono::milliseconds limit,
                                                                         std::string* why) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    std::vector<TranscriptRecord> records;
    struct stat info {};
    if (stat(path_.c_str(), &info) == 0) {
      std::string error;
      auto read = kvx::standin::ReadTranscriptFile(path_, &error);
      if (!read) {
        if (why != nullptr) *why = "the transcript " + path_ + " is damaged: " + error;
        return std::nullopt;
      }
      records = std::move(*read);
    }
    if (ConversationsEnded(records)) {
      all_ = std::move(records);
      std::vector<TranscriptRecord> fresh(all_.begin() + static_cast<std::ptrdiff_t>(std::min(taken_, all_.size())),
                                          all_.end());
      taken_ = all_.size();
      return fresh;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      if (why != nullptr) *why = "a conversation in the transcript did not end in time";
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::vector<std::string> MacroCommands(const std::vector<TranscriptRecord>& records) {
  std::vector<std::string> commands;
  for (const auto& record : records) {
    if (record.kind != RecordKind::Execute) continue;
    const auto parsed = ParseExecuteText(record.data);
    if (parsed.text && parsed.text->kind == ExecuteKind::RunMacro) commands.push_back(parsed.text->body);
  }
  return commands;
}

std::optional<std::string> GlobalRead(const std::vector<TranscriptRecord>& records, const std::string& name) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    ParsedSetup setup;
    if (IsFoldedRead(records, i, &setup) && setup.name == name) {
      return ShowValue(records[i + 1].data, setup.kind);
    }
  }
  return std::nullopt;
}

std::string DescribeRecords(const std::vector<TranscriptRecord>& records, const std::string& indent,
                            const std::string& workspace) {
  std::string out;
  const auto line = [&](const TranscriptRecord& record, const std::string& what, const std::string& text) {
    std::string row = indent + "conv " + std::to_string(record.conversation) + "  " + what;
    row.resize(std::max(row.size(), indent.size() + 22), ' ');
    row += text;
    if (record.answer == Answer::Refused) row += "   -> REFUSED" + (record.note.empty() ? "" : ": " + record.note);
    out += Shortened(row, workspace, "<ws>") + "\n";
  };
  for (std::size_t i = 0; i < records.size(); ++i) {
    const TranscriptRecord& record = records[i];
    ParsedSetup setup;
    if (IsFoldedRead(records, i, &setup)) {
      const TranscriptRecord& request = records[i + 1];
      line(request, "read global",
           setup.name + " = " + ShowValue(request.data, setup.kind) + "   (set up, requested, reset)");
      i += 2;
      continue;
    }
    switch (record.kind) {
      case RecordKind::Connect:
        line(record, "connect", record.service + " / " + record.topic);
        break;
      case RecordKind::Disconnect:
        line(record, "disconnect", "");
        break;
      case RecordKind::Execute:
        line(record, "execute", WithoutFinalNul(record.data));
        break;
      case RecordKind::Request:
        line(record, "request", record.item + " -> " + Quoted(record.data));
        break;
    }
  }
  if (records.empty()) out += indent + "(nothing crossed)\n";
  return out;
}

}  // namespace kvxdemo
