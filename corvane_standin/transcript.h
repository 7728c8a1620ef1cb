// The record of every DDE transaction the stand-in editor receives, kept in
// memory and appended to a file, one flushed record at a time.
//
// Record format (bytes are raw; lengths are decimal byte counts):
//   @<kind> <answer> conv=<n> service=<a> topic=<b> item=<c> data=<d> note=<e>\n
//   <a service bytes><b topic bytes><c item bytes><d data bytes><e note bytes>\n
// kind: connect | disconnect | execute | request
// answer: ack | refused (a request answered with data is ack, without is refused)
// conv: the stand-in's own number of the conversation (1, 2, ...; 0 for a
//       refused connect)
// data: execute: the bytes received, final NUL included; request: the bytes
//       answered; empty otherwise
// note: why a transaction was refused, empty otherwise
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvx::standin {

enum class RecordKind { Connect, Disconnect, Execute, Request };
// Pending: a transaction handed to the hook before it is answered.
enum class Answer { Pending, Ack, Refused };

struct TranscriptRecord {
  RecordKind kind = RecordKind::Execute;
  Answer answer = Answer::Pending;
  std::uint32_t conversation = 0;
  std::string service;
  std::string topic;
  std::string item;
  std::string data;
  std::string note;
  bool operator==(const TranscriptRecord&) const = default;
};

std::string_view KindName(RecordKind kind);
std::string_view AnswerName(Answer answer);

std::string FormatRecord(const TranscriptRecord& record);

// All records of a transcript; nullopt (and *error) when any record is
// malformed or cut short.
std::optional<std::vector<TranscriptRecord>> ParseTranscript(std::string_view bytes,
                                                             std::string* error = nullptr);
std::optional<std::vector<TranscriptRecord>> ReadTranscriptFile(const std::string& path,
                                                                std::string* error = nullptr);

// Thread-safe: the server appends, tests and the control service read.
class TranscriptLog {
 public:
  // An empty path keeps the records in memory only. Records are appended to
  // an existing file.
  explicit TranscriptLog(std::string path = {});
  ~TranscriptLog();
  TranscriptLog(const TranscriptLog&) = delete;
  TranscriptLog& operator=(const TranscriptLog&) = delete;

  // False when the file could not be opened.
  bool FileUsable() const { return path_.empty() || fd_ >= 0; }
  void Append(const TranscriptRecord& record);
  std::vector<TranscriptRecord> Records() const;

 private:
  std::string path_;
  int fd_ = -1;
  mutable std::mutex mutex_;
  std::vector<TranscriptRecord> records_;
};

}  // namespace kvx::standin
