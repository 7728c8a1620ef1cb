#include "sync/file_names.h"

#include "platform/pathsep.h"

namespace kvx {

namespace {

// Index just past the last path delimiter, 0 when there is none.
std::string::size_type FilePartStart(const std::string& FileName) {
  for (std::string::size_type i = FileName.size(); i > 0; --i) {
    if (IsPathDelimiter(FileName[i - 1])) return i;
  }
  return 0;
}

// Index of the extension's dot, or npos.
std::string::size_type ExtensionStart(const std::string& FileName) {
  const std::string::size_type dot = FileName.rfind('.');
  if (dot == std::string::npos || dot < FilePartStart(FileName)) return std::string::npos;
  return dot;
}

}  // namespace

std::string DirectoryPart(const std::string& FileName) {
  return FileName.substr(0, FilePartStart(FileName));
}

std::string FilePart(const std::string& FileName) {
  return FileName.substr(FilePartStart(FileName));
}

std::string ExtensionOf(const std::string& FileName) {
  const std::string::size_type dot = ExtensionStart(FileName);
  return dot == std::string::npos ? std::string() : FileName.substr(dot);
}

std::string RemoveExtension(const std::string& FileName) {
  const std::string::size_type dot = ExtensionStart(FileName);
  return dot == std::string::npos ? FileName : FileName.substr(0, dot);
}

}  // namespace kvx
