#pragma once
// Every widget belongs to the UI thread. Operations that the worker may ask for are
// carried out there for it, one at a time in the order asked, and the asking thread goes
// on only when the operation is done.

#include <functional>

namespace platform {

bool OnUiThread();

// Runs action on the UI thread and returns when it has run. An exception it raises is
// passed back to the caller.
void RunOnUiThread(const std::function<void()>& action);

}  // namespace platform
