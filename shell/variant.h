// Names and numbers that differ between the three builds of the expert.
#pragma once

#include <cstdint>

#include "contracts/host_variant.h"

namespace kvx {

#if defined(KVX_VARIANT_DELPHI3)
inline constexpr char VariantName[] = "Delphi 3";
inline constexpr char EnabledKey[] = "Delphi3Enabled";
inline constexpr char HotKeyKey[] = "Delphi3HotKey";
inline constexpr char SessionPrefix[] = "Delphi 3-";
inline constexpr uint32_t ProgramResetFallbackId = 106;
inline constexpr int PushChunkSize = 32000;
inline constexpr bool UndoableTakeOver = true;  // Delphi 3 writes back through undoable writers
#elif defined(KVX_VARIANT_DELPHI2)
inline constexpr char VariantName[] = "Delphi 2";
inline constexpr char EnabledKey[] = "Delphi2Enabled";
inline constexpr char HotKeyKey[] = "Delphi2HotKey";
inline constexpr char SessionPrefix[] = "Delphi 2-";
inline constexpr uint32_t ProgramResetFallbackId = 98;
inline constexpr int PushChunkSize = 2000;
inline constexpr bool UndoableTakeOver = false;
#else
inline constexpr char VariantName[] = "C++Builder";
inline constexpr char EnabledKey[] = "CBuilderEnabled";
inline constexpr char HotKeyKey[] = "CBuilderHotKey";
inline constexpr char SessionPrefix[] = "CBuilder-";
inline constexpr uint32_t ProgramResetFallbackId = 97;
inline constexpr int PushChunkSize = 2000;
inline constexpr bool UndoableTakeOver = false;
#endif

}  // namespace kvx
