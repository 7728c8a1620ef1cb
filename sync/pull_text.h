// The pure parts of the pull: the line-ending tidy-up of text coming back from
// Corvane, where the IDE view's top-left goes, and the overwrite question.
#pragma once

#include <cstdint>
#include <string>

#include "contracts/toolintf.h"
#include "platform/winapi.h"

namespace kvx {

// Drops one trailing Ctrl-Z and makes sure the text ends in a line break
// (CR LF appended unless it ends in LF or CR, or its second-last byte is CR).
std::string NormaliseShadowText(std::string Text);

// Whether Corvane's flag word says it reloaded the file from disk itself:
// bit 16 set with bit 0 clear.
bool ReloadedFromDisk(int32_t Flags);

// The top-left position for a view Size.cx columns wide and Size.cy lines
// high, given the cursor and Corvane's top line: the line scrolls to centre a
// cursor that lies more than a screen below the top, the column so that the
// cursor column is the second-last one shown.
TEditPos TopPosition(TEditPos Cursor, int32_t TopLine, SIZE Size);

inline constexpr char OverwriteCaption[] = "WARNING: Overwrite Verification Needed!";
std::string OverwriteQuestion(const std::string& FileName);

}  // namespace kvx
