// Corvane's global variables as the link reads them: integer or string kind,
// names matched ignoring ASCII case (as DDE item names are).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "corvane_standin/execute_text.h"

namespace kvx::standin {

struct GlobalValue {
  GlobalKind kind = GlobalKind::Integer;
  std::int32_t integer = 0;
  std::string text;
  bool operator==(const GlobalValue&) const = default;
};

// Longest string value kept; longer texts are cut.
inline constexpr std::size_t MaxGlobalTextBytes = 1u << 20;

class GlobalTable {
 public:
  // Creates the global with 0 or "" when absent. An existing global keeps its
  // value (a command may have set it before the reader sets it up); asked for
  // the other kind, the value is converted.
  void Setup(const std::string& name, GlobalKind kind);
  void Reset(const std::string& name);
  void SetInteger(const std::string& name, std::int32_t value);
  void SetString(const std::string& name, std::string text);

  const GlobalValue* Find(const std::string& name) const;
  // The bytes a request answers: 4 bytes least significant first, or the text
  // and one NUL; nullopt for an unknown global.
  std::optional<std::string> Answer(const std::string& name) const;
  std::vector<std::pair<std::string, GlobalValue>> All() const;

 private:
  struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, GlobalValue, NameLess> globals_;
};

}  // namespace kvx::standin
