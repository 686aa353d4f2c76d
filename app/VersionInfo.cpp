#include "app/VersionInfo.h"

#include <QApplication>
#include <QIcon>

namespace version_info {

QIcon MainIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 128}) {
    icon.addFile(QStringLiteral(":/icons/zcn-converter-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

void Apply() {
  QCoreApplication::setApplicationName(kApplicationName);
  QCoreApplication::setApplicationVersion(kFileVersion);
  QCoreApplication::setOrganizationName(kCompanyName);
  QGuiApplication::setDesktopFileName(kDesktopFileName);
  QApplication::setWindowIcon(MainIcon());
}

}  // namespace version_info
