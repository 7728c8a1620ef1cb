// The library's only export. Delphi 3 looks for INITEXPERT0017, Delphi 2 and
// C++Builder for INITEXPERT0016.
#pragma once

#include "contracts/toolintf.h"

#if defined(KVX_VARIANT_DELPHI3)
#  define KVX_ENTRY_POINT INITEXPERT0017
#else
#  define KVX_ENTRY_POINT INITEXPERT0016
#endif

#if defined(_WIN32)
#  define KVX_EXPORT extern "C" __declspec(dllexport)
#else
#  define KVX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

KVX_EXPORT bool KVX_STDCALL KVX_ENTRY_POINT(kvx::TIToolServices* ToolServices,
                                            kvx::TExpertRegisterProc RegisterProc,
                                            kvx::TExpertTerminateProc* Terminate);
