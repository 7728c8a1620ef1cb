// Shadow-file names, session names, and telling Corvane to drop a file.
#pragma once

#include <string>

#include "platform/winapi.h"

namespace kvx {

std::string MakeShadowFileName(const std::string& FileName);
std::string MakeSessionName(const std::string& ProjectFile);
void SendRemoveFile(const std::string& FileName, HCONV Conversation);

}  // namespace kvx
