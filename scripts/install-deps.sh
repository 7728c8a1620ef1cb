#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test kvxlink:
# compilers, CMake, Ninja, GoogleTest/GoogleMock, Google Benchmark and the
# MinGW i686 cross compiler for the Windows DLLs. Safe to run again.
set -euo pipefail

packages=()
need() {  # need <command-or-file> <package>
  if [[ "$1" == /* ]]; then [[ -e "$1" ]] || packages+=("$2")
  else command -v "$1" >/dev/null 2>&1 || packages+=("$2"); fi
}
need g++ g++
need cmake cmake
need ninja ninja-build
need /usr/include/gtest/gtest.h libgtest-dev
need /usr/include/gmock/gmock.h libgmock-dev
need /usr/include/benchmark/benchmark.h libbenchmark-dev
need i686-w64-mingw32-g++ g++-mingw-w64-i686
need i686-w64-mingw32-objdump binutils-mingw-w64-i686
need nm binutils

if ((${#packages[@]})); then
  echo "installing: ${packages[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${packages[@]}"
fi
