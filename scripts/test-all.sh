#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, the build under
# AddressSanitizer + UndefinedBehaviorSanitizer, and the MinGW cross build of
# the three Windows DLLs with a check of their export tables.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== normal build"
cmake --preset default
cmake --build --preset default
ctest --preset default

echo "== Windows DLLs (MinGW i686)"
cmake --preset mingw
cmake --build --preset mingw
tests/core/check_mingw_exports.sh build/mingw

echo "== sanitizer build"
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize
