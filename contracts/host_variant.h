// Which IDE host a build is for. Exactly one of KVX_VARIANT_DELPHI3,
// KVX_VARIANT_DELPHI2 and KVX_VARIANT_CBUILDER is defined by the build; the
// host objects differ slightly between the three tools APIs.
#pragma once

#if defined(KVX_VARIANT_DELPHI3) + defined(KVX_VARIANT_DELPHI2) + defined(KVX_VARIANT_CBUILDER) != 1
#  error "define exactly one of KVX_VARIANT_DELPHI3, KVX_VARIANT_DELPHI2, KVX_VARIANT_CBUILDER"
#endif

namespace kvx {

#if defined(KVX_VARIANT_DELPHI3)
inline constexpr int ToolsApiVersion = 3;
#else
inline constexpr int ToolsApiVersion = 2;
#endif

}  // namespace kvx
