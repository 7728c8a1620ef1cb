#include "corvane_standin/global_table.h"

#include <algorithm>
#include <charconv>

namespace kvx::standin {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::int32_t IntegerOfText(const std::string& text) {
  std::int32_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace

bool GlobalTable::NameLess::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
  });
}

void GlobalTable::Setup(const std::string& name, GlobalKind kind) {
  auto [it, created] = globals_.try_emplace(name);
  GlobalValue& value = it->second;
  if (created) {
    value.kind = kind;
    return;
  }
  if (value.kind == kind) return;
  if (kind == GlobalKind::String) {
    value.text = std::to_string(value.integer);
    value.integer = 0;
  } else {
    value.integer = IntegerOfText(value.text);
    value.text.clear();
  }
  value.kind = kind;
}

void GlobalTable::Reset(const std::string& name) { globals_.erase(name); }

void GlobalTable::SetInteger(const std::string& name, std::int32_t value) {
  globals_[name] = GlobalValue{GlobalKind::Integer, value, {}};
}

void GlobalTable::SetString(const std::string& name, std::string text) {
  if (text.size() > MaxGlobalTextBytes) text.resize(MaxGlobalTextBytes);
  globals_[name] = GlobalValue{GlobalKind::String, 0, std::move(text)};
}

const GlobalValue* GlobalTable::Find(const std::string& name) const {
  const auto it = globals_.find(name);
  return it == globals_.end() ? nullptr : &it->second;
}

std::optional<std::string> GlobalTable::Answer(const std::string& name) const {
  const GlobalValue* value = Find(name);
  if (value == nullptr) return std::nullopt;
  if (value->kind == GlobalKind::String) {
    std::string bytes = value->text;
    bytes.push_back('\0');
    return bytes;
  }
  const auto bits = static_cast<std::uint32_t>(value->integer);
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFFu);
  return bytes;
}

std::vector<std::pair<std::string, GlobalValue>> GlobalTable::All() const {
  return {globals_.begin(), globals_.end()};
}

}  // namespace kvx::standin
