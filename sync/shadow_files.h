// Shadow-file names, session names, and telling Corvane to drop a file.
#pragma once

#include <string>

#include "platform/winapi.h"

namespace kvx {

// A name in ShadowDirectory (filled with the system's temporary directory when
// empty) that no existing file uses: base name + "." + n + extension.
std::string MakeShadowFileName(const std::string& FileName);

// The variant's session prefix + the project file's name without directory
// and extension.
std::string MakeSessionName(const std::string& ProjectFile);

// Sends "Remote^RemRemoveFile /F=" + FileName on Conversation, or on a
// conversation of its own when none is given and no other one is open.
void SendRemoveFile(const std::string& FileName, HCONV Conversation);

// Clears the attributes of a shadow file (it may carry the read-only flag of
// its source) and deletes it; failures are ignored.
void DeleteShadowFile(const std::string& ShadowName);

}  // namespace kvx
