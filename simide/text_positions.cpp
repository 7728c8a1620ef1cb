#include "simide/text_positions.h"

namespace simide {

std::size_t OffsetOf(const std::string& text, LineColumn place) {
  std::size_t lineStart = 0;
  for (long line = 1; line < place.line; ++line) {
    const std::size_t lf = text.find('\n', lineStart);
    if (lf == std::string::npos) return text.size();
    lineStart = lf + 1;
  }
  std::size_t lineEnd = text.find('\n', lineStart);
  if (lineEnd == std::string::npos) lineEnd = text.size();
  if (lineEnd > lineStart && text[lineEnd - 1] == '\r' && lineEnd < text.size()) --lineEnd;
  const std::size_t column = place.column < 1 ? 0 : static_cast<std::size_t>(place.column - 1);
  return lineStart + column < lineEnd ? lineStart + column : lineEnd;
}

LineColumn PlaceOf(const std::string& text, std::size_t offset) {
  if (offset > text.size()) offset = text.size();
  LineColumn place;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++place.line;
      lineStart = i + 1;
    }
  }
  place.column = static_cast<long>(offset - lineStart) + 1;
  return place;
}

}  // namespace simide
