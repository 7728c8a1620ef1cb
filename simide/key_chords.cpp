#include "simide/key_chords.h"

#include <cctype>
#include <cstdlib>
#include <map>

namespace simide {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const std::map<std::string, KeyStroke>& Modifiers() {
  static const std::map<std::string, KeyStroke> modifiers = {
      {"shift", {VK_SHIFT, false}},   {"ctrl", {VK_CONTROL, false}},
      {"control", {VK_CONTROL, false}}, {"alt", {VK_MENU, false}},
      {"rshift", {VK_SHIFT, false}},  {"rctrl", {VK_CONTROL, true}},
      {"ralt", {VK_MENU, true}}};
  return modifiers;
}

const std::map<std::string, KeyStroke>& NamedKeys() {
  static const std::map<std::string, KeyStroke> keys = {
      {"enter", {VK_RETURN, false}},  {"return", {VK_RETURN, false}},
      {"kpenter", {VK_RETURN, true}}, {"esc", {VK_ESCAPE, false}},
      {"escape", {VK_ESCAPE, false}}, {"space", {VK_SPACE, false}},
      {"tab", {VK_TAB, false}},       {"backspace", {VK_BACK, false}},
      {"pause", {VK_PAUSE, false}},   {"capslock", {VK_CAPITAL, false}},
      {"break", {VK_CANCEL, true}},   {"up", {VK_UP, true}},
      {"down", {VK_DOWN, true}},      {"left", {VK_LEFT, true}},
      {"right", {VK_RIGHT, true}},    {"home", {VK_HOME, true}},
      {"end", {VK_END, true}},        {"pgup", {VK_PRIOR, true}},
      {"pageup", {VK_PRIOR, true}},   {"pgdn", {VK_NEXT, true}},
      {"pagedown", {VK_NEXT, true}},  {"insert", {VK_INSERT, true}},
      {"ins", {VK_INSERT, true}},     {"delete", {VK_DELETE, true}},
      {"del", {VK_DELETE, true}},     {"kpup", {VK_UP, false}},
      {"kpdown", {VK_DOWN, false}},   {"kpleft", {VK_LEFT, false}},
      {"kpright", {VK_RIGHT, false}}, {"kphome", {VK_HOME, false}},
      {"kpend", {VK_END, false}},     {"kppgup", {VK_PRIOR, false}},
      {"kppgdn", {VK_NEXT, false}},   {"kpinsert", {VK_INSERT, false}},
      {"kpdelete", {VK_DELETE, false}}};
  return keys;
}

std::optional<KeyStroke> ParseKey(const std::string& name) {
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    return KeyStroke{static_cast<UINT>(std::toupper(static_cast<unsigned char>(name[0]))), false};
  }
  if (const auto named = NamedKeys().find(name); named != NamedKeys().end()) return named->second;
  if (const auto modifier = Modifiers().find(name); modifier != Modifiers().end()) {
    return modifier->second;
  }
  if (name.size() >= 2 && name[0] == 'f' && std::isdigit(static_cast<unsigned char>(name[1]))) {
    char* end = nullptr;
    const long number = std::strtol(name.c_str() + 1, &end, 10);
    if (*end == '\0' && number >= 1 && number <= 24) {
      return KeyStroke{static_cast<UINT>(VK_F1 + number - 1), false};
    }
  }
  if (name.rfind("0x", 0) == 0 && name.size() > 2) {
    char* end = nullptr;
    const unsigned long code = std::strtoul(name.c_str() + 2, &end, 16);
    if (*end == '\0' && code > 0 && code < 256) return KeyStroke{static_cast<UINT>(code), false};
  }
  return std::nullopt;
}

}  // namespace

std::optional<KeyChordSpec> ParseKeyChord(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  const std::string lower = Lower(text);
  while (true) {
    const std::size_t plus = lower.find('+', start);
    parts.push_back(lower.substr(start, plus - start));
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  KeyChordSpec chord;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    const auto modifier = Modifiers().find(parts[i]);
    if (modifier == Modifiers().end()) return std::nullopt;
    chord.modifiers.push_back(modifier->second);
  }
  const auto key = ParseKey(parts.back());
  if (!key) return std::nullopt;
  chord.key = *key;
  return chord;
}

}  // namespace simide
