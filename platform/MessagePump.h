#pragma once

namespace platform {

// Handles every event waiting for the calling thread and returns once there is none.
// Only that thread's own events are touched: on the worker it never runs the window's.
void ProcessThreadMessages();

}  // namespace platform
