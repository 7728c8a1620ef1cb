// Splitting a full file name into its directory part, file part and
// extension, by the platform's path delimiters.
#pragma once

#include <string>

namespace kvx {

// Everything up to and including the last path delimiter ("" when none).
std::string DirectoryPart(const std::string& FileName);

// Everything after the last path delimiter.
std::string FilePart(const std::string& FileName);

// From the last "." on, when that dot comes after the last path delimiter;
// otherwise empty.
std::string ExtensionOf(const std::string& FileName);

// The name without ExtensionOf(FileName).
std::string RemoveExtension(const std::string& FileName);

}  // namespace kvx
