#include "corvane_standin/transcript.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <utility>

#include "corvane_standin/file_access.h"

namespace kvx::standin {

namespace {

constexpr std::array<std::pair<RecordKind, std::string_view>, 4> kKinds{{
    {RecordKind::Connect, "connect"},
    {RecordKind::Disconnect, "disconnect"},
    {RecordKind::Execute, "execute"},
    {RecordKind::Request, "request"},
}};
constexpr std::array<std::pair<Answer, std::string_view>, 3> kAnswers{{
    {Answer::Pending, "pending"},
    {Answer::Ack, "ack"},
    {Answer::Refused, "refused"},
}};
constexpr std::array<std::string_view, 5> kFieldNames{"service", "topic", "item", "data", "note"};

bool Fail(std::string* error, std::string why) {
  if (error != nullptr) *error = std::move(why);
  return false;
}

// "key=<number>" with the given key.
std::optional<std::uint64_t> KeyedNumber(std::string_view word, std::string_view key) {
  if (!word.starts_with(key) || word.size() <= key.size() + 1 || word[key.size()] != '=')
    return std::nullopt;
  word.remove_prefix(key.size() + 1);
  std::uint64_t value = 0;
  const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
  if (result.ec != std::errc() || result.ptr != word.data() + word.size()) return std::nullopt;
  return value;
}

// Parses one record from the front of rest and removes it.
bool ParseOne(std::string_view& rest, TranscriptRecord& record, std::string* error) {
  const std::size_t lineEnd = rest.find('\n');
  if (lineEnd == std::string_view::npos) return Fail(error, "record header cut short");
  std::string_view header = rest.substr(0, lineEnd);
  if (!header.starts_with('@')) return Fail(error, "record does not start with @");
  header.remove_prefix(1);

  std::vector<std::string_view> words;
  while (!header.empty()) {
    const std::size_t space = header.find(' ');
    words.push_back(header.substr(0, space));
    if (space == std::string_view::npos) break;
    header.remove_prefix(space + 1);
  }
  if (words.size() != 3 + kFieldNames.size()) return Fail(error, "wrong number of header words");

  bool known = false;
  for (const auto& [kind, name] : kKinds) {
    if (words[0] != name) continue;
    record.kind = kind;
    known = true;
  }
  if (!known) return Fail(error, "unknown record kind");
  known = false;
  for (const auto& [answer, name] : kAnswers) {
    if (words[1] != name) continue;
    record.answer = answer;
    known = true;
  }
  if (!known) return Fail(error, "unknown answer");
  const auto conversation = KeyedNumber(words[2], "conv");
  if (!conversation || *conversation > UINT32_MAX) return Fail(error, "bad conversation number");
  record.conversation = static_cast<std::uint32_t>(*conversation);

  std::array<std::string*, kFieldNames.size()> fields{&record.service, &record.topic, &record.item,
                                                      &record.data, &record.note};
  std::array<std::uint64_t, kFieldNames.size()> lengths{};
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
    const auto length = KeyedNumber(words[3 + i], kFieldNames[i]);
    if (!length || *length > MaxFileBytes) return Fail(error, "bad field length");
    lengths[i] = *length;
    total += *length;
  }
  rest.remove_prefix(lineEnd + 1);
  if (rest.size() < total + 1 || rest[total] != '\n') return Fail(error, "record body cut short");
  for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
    fields[i]->assign(rest.substr(0, lengths[i]));
    rest.remove_prefix(lengths[i]);
  }
  rest.remove_prefix(1);
  return true;
}

}  // namespace

std::string_view KindName(RecordKind kind) {
  for (const auto& [k, name] : kKinds)
    if (k == kind) return name;
  return "?";
}

std::string_view AnswerName(Answer answer) {
  for (const auto& [a, name] : kAnswers)
    if (a == answer) return name;
  return "?";
}

std::string FormatRecord(const TranscriptRecord& record) {
  const std::array<const std::string*, kFieldNames.size()> fields{
      &record.service, &record.topic, &record.item, &record.data, &record.note};
  std::string out = "@";
  out += KindName(record.kind);
  out += ' ';
  out += AnswerName(record.answer);
  out += " conv=" + std::to_string(record.conversation);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    out += ' ';
    out += kFieldNames[i];
    out += '=' + std::to_string(fields[i]->size());
  }
  out += '\n';
  for (const std::string* field : fields) out += *field;
  out += '\n';
  return out;
}

std::optional<std::vector<TranscriptRecord>> ParseTranscript(std::string_view bytes,
                                                             std::string* error) {
  std::vector<TranscriptRecord> records;
  while (!bytes.empty()) {
    TranscriptRecord record;
    if (!ParseOne(bytes, record, error)) return std::nullopt;
    records.push_back(std::move(record));
  }
  return records;
}

std::optional<std::vector<TranscriptRecord>> ReadTranscriptFile(const std::string& path,
                                                                std::string* error) {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) {
    Fail(error, "cannot read " + path);
    return std::nullopt;
  }
  return ParseTranscript(*bytes, error);
}

TranscriptLog::TranscriptLog(std::string path) : path_(std::move(path)) {
  if (!path_.empty())
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

TranscriptLog::~TranscriptLog() {
  if (fd_ >= 0) ::close(fd_);
}

void TranscriptLog::Append(const TranscriptRecord& record) {
  std::lock_guard lock(mutex_);
  records_.push_back(record);
  if (fd_ < 0) return;
  // One write per record keeps records whole even when two processes append.
  const std::string bytes = FormatRecord(record);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t put = ::write(fd_, bytes.data() + written, bytes.size() - written);
    if (put < 0) {
      if (errno == EINTR) continue;
      return;
    }
    written += static_cast<std::size_t>(put);
  }
}

std::vector<TranscriptRecord> TranscriptLog::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

}  // namespace kvx::standin
