#pragma once

namespace platform {

// Names the calling thread for debuggers (gdb's `info threads`, /proc/.../comm). Names
// longer than 15 characters are cut to fit the system's limit.
void NameCurrentThread(const char* name);

}  // namespace platform
