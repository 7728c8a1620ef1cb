// DDE string handles: process-wide atoms. Names that differ only in case share
// one atom (and one handle value); the atom keeps the spelling it was first
// made with and lives while anyone holds a reference to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/include/win32_subset.h"

namespace winsub::dde {

constexpr std::size_t MaxAtomLength = 255;

inline HSZ ToHsz(std::uintptr_t atom) { return reinterpret_cast<HSZ>(atom); }
inline std::uintptr_t FromHsz(HSZ hsz) { return reinterpret_cast<std::uintptr_t>(hsz); }

// A reference the library holds (not the application's); 0 when the text
// cannot be an atom (empty, too long).
std::uintptr_t HoldAtom(std::string_view text);
void ReleaseAtom(std::uintptr_t atom);

std::optional<std::string> AtomText(std::uintptr_t atom);

// Lowercased copy, the form under which names are compared.
std::string AtomKey(std::string_view text);

// Drops every reference an instance still holds (at DdeUninitialize).
void ReleaseInstanceStrings(DWORD instance);

}  // namespace winsub::dde
