#include "demo/text_display.h"

#include <cstdio>

namespace kvxdemo {

namespace {

void AppendEscaped(std::string& out, char c) {
  switch (c) {
    case '\r': out += "\\r"; return;
    case '\n': out += "\\n"; return;
    case '\t': out += "\\t"; return;
    case '\\': out += "\\\\"; return;
    case '"': out += "\\\""; return;
    default: break;
  }
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x20 || byte >= 0x7f) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    out += hex;
  } else {
    out += c;
  }
}

}  // namespace

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) AppendEscaped(out, c);
  out += '"';
  return out;
}

std::string NumberedLines(std::string_view text, std::string_view indent) {
  std::string out;
  if (text.empty()) return std::string(indent) + "(empty)\n";
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t lf = text.find('\n', start);
    const bool complete = lf != std::string_view::npos;
    std::string_view line = text.substr(start, complete ? lf - start : std::string_view::npos);
    if (complete && line.ends_with('\r')) line.remove_suffix(1);
    char label[16];
    std::snprintf(label, sizeof label, "%3d| ", ++number);
    out += indent;
    out += label;
    for (const char c : line) {
      if (c == '"' || c == '\\') {
        out += c;  // plain inside a line; only control bytes need showing
      } else {
        AppendEscaped(out, c);
      }
    }
    if (!complete) out += "   (no line break at the end)";
    out += '\n';
    start = complete ? lf + 1 : text.size();
  }
  return out;
}

std::string LineBreaks(std::string_view text) {
  std::size_t crlf = 0;
  std::size_t lf = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    (i > 0 && text[i - 1] == '\r' ? crlf : lf)++;
  }
  if (crlf + lf == 0) return "no line breaks";
  if (lf == 0) return "CR LF line breaks";
  return crlf == 0 ? "LF line breaks" : "mixed CR LF and LF line breaks";
}

std::string Shortened(std::string text, std::string_view prefix, std::string_view shortName) {
  if (prefix.empty()) return text;
  for (std::size_t at = text.find(prefix); at != std::string::npos;
       at = text.find(prefix, at + shortName.size())) {
    text.replace(at, prefix.size(), shortName);
  }
  return text;
}

}  // namespace kvxdemo
