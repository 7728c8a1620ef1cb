// Between byte offsets in an editor buffer and 1-based (line, column) places.
// A line ends after its LF; a CR before the LF belongs to the line break.
#pragma once

#include <cstddef>
#include <string>

namespace simide {

struct LineColumn {
  long line = 1;
  long column = 1;
};

// Offset of (line, column). A column past the line's text lands before the
// line break; a line past the last one lands at the end of the text.
std::size_t OffsetOf(const std::string& text, LineColumn place);

// The place of an offset (clamped to the text's length).
LineColumn PlaceOf(const std::string& text, std::size_t offset);

}  // namespace simide
