#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/TestSeam.h"

namespace platform {

void ShellExecute(QWidget*, const char*, const std::string& file, const char*, const char*,
                  int) {
  TestSeam* seam = InstalledTestSeam();
  if (seam != nullptr && seam->InterceptShellOpen(file)) return;
  QDesktopServices::openUrl(QUrl(QString::fromStdString(file)));
}

}  // namespace platform
