// The DDE client starts when the library is loaded, before the host calls the
// entry point. A failed start leaves the link off for the library's life.
#include "editorlink/kvxdde.h"

namespace {

const bool DdeLinkStarted = [] {
  kvx::InitDdeLink();
  return true;
}();

}  // namespace
