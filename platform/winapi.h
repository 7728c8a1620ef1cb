// The one place where the core reaches the operating system. On Windows this is
// the real API; elsewhere it is our own substitute library (libwinsub), which
// offers the same names, types, constants and signatures.
#pragma once

#ifdef _WIN32
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#  include <ddeml.h>
#else
#  include "platform/posix/include/win32_subset.h"
#endif

#include "platform/pathsep.h"
