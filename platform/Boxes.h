#pragma once
// Showing a box or dialog and waiting for its answer, from either thread.
//
// On the UI thread the box is modal and the call returns when it is closed. For another
// thread the box is shown on the UI thread without blocking the main window, and the
// asking thread waits until the user has closed it: the run is held up, not the window.
// An installed test seam may answer the box instead.

#include <QDialog>
#include <functional>

#include "platform/TestSeam.h"

namespace platform {

constexpr int MB_OK = 0x0;
constexpr int MB_OKCANCEL = 0x1;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// build makes the dialog on the UI thread; its result() becomes the answer.
int ShowBox(BoxRequest request, const std::function<QDialog*()>& build);

}  // namespace platform
