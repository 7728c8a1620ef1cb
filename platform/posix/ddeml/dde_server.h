// Server side: registered service names and their listening sockets.
#pragma once

#include "platform/posix/ddeml/dde_state.h"

namespace winsub::dde {

// Stops listening on every name of the instance and removes the socket files.
void UnregisterAllServices(Instance& instance);

}  // namespace winsub::dde
