// File names of service sockets.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace winsub::dde {

// File name of a service's socket: the name lowercased (service names match
// without regard to case), bytes other than [a-z0-9_-] written as %XX; a name
// too long for a socket address is cut and given a hash of the full name.
std::string ServiceSocketName(std::string_view service, std::size_t maxLength);

}  // namespace winsub::dde
