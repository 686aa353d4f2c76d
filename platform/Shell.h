#pragma once

#include <string>

class QWidget;

namespace platform {

constexpr int SW_SHOWNORMAL = 1;

// Opens an address in the system's browser. The owner, parameters, directory and show
// mode are taken for the platform's shape of the call; the result is not reported.
void ShellExecute(QWidget* owner, const char* verb, const std::string& file,
                  const char* parameters, const char* directory, int show);

}  // namespace platform
