// Texts as a reader of the demo's output wants to see them: buffers line by
// line with their line breaks made visible where they are not CR LF, short
// texts quoted with escapes, and workspace paths shortened.
#pragma once

#include <string>
#include <string_view>

namespace kvxdemo {

// "..." with \r \n \t \\ \" and \xHH for other control and non-ASCII bytes.
std::string Quoted(std::string_view text);

// One numbered line per text line (split at LF, a CR before it dropped),
// each prefixed by `indent`; a missing final line break is said so.
std::string NumberedLines(std::string_view text, std::string_view indent);

// "CR LF line breaks", "LF line breaks", "mixed ..." or "no line breaks".
std::string LineBreaks(std::string_view text);

// Every occurrence of `prefix` replaced by `shortName` (e.g. the workspace
// directory by "<ws>").
std::string Shortened(std::string text, std::string_view prefix, std::string_view shortName);

}  // namespace kvxdemo
