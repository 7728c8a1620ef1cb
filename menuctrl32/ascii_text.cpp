#include "menuctrl32/ascii_text.h"

namespace kvx {

namespace {

unsigned char FoldAscii(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

}  // namespace

bool SameTextAscii(const char* Left, const char* Right) {
  for (;; ++Left, ++Right) {
    const unsigned char left = FoldAscii(static_cast<unsigned char>(*Left));
    const unsigned char right = FoldAscii(static_cast<unsigned char>(*Right));
    if (left != right) return false;
    if (left == 0) return true;
  }
}

}  // namespace kvx
