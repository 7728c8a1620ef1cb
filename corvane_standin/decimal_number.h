// Whole words of decimal digits in the stand-in's text formats (control
// commands, state dumps): anything else is not a number.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace kvx::standin {

template <typename Number>
std::optional<Number> ToNumber(std::string_view word) {
  Number value{};
  const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || result.ec != std::errc() || result.ptr != word.data() + word.size())
    return std::nullopt;
  return value;
}

}  // namespace kvx::standin
