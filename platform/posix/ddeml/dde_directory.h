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

// File name of a service's socket: the name lowercased (service names match
// without regard to case), bytes other than [a-z0-9_-] written as %XX; a name
// too long for a socket address is cut and given a hash of the full name.
std::string ServiceSocketName(std::string_view service, std::size_t maxLength);

// Full socket path of a service in the usable directory, if there is one.
std::optional<std::string> ServiceSocketPath(std::string_view service);

}  // namespace winsub::dde
