// Where DDE services live: one Unix-domain socket per registered service name
// in a private directory of the user.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace winsub::dde {

// WINSUB_DDE_DIR, else $XDG_RUNTIME_DIR/winsub-dde, else /tmp/winsub-dde-<uid>;
// the environment is read at each call.
std::string DdeDirectoryPath();

// The directory, created (mode 0700) when missing; nothing when it cannot be
// made or is not safe: not a real directory, owned by another user, or open
// to group or others.
std::optional<std::string> UsableDdeDirectory();

// Full socket path of a service in the usable directory, if there is one.
std::optional<std::string> ServiceSocketPath(std::string_view service);

}  // namespace winsub::dde
