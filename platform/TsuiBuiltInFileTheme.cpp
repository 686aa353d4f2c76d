#include "platform/TsuiBuiltInFileTheme.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace platform {

namespace {
QString PicturePath(const QString& name) { return QStringLiteral(":/skin/%1.svg").arg(name); }
}  // namespace

TsuiBuiltInFileTheme::TsuiBuiltInFileTheme(QObject* parent) : QObject(parent) {}

bool TsuiBuiltInFileTheme::HasPicture(const QString& name) const {
  return QFile::exists(PicturePath(name));
}

QPixmap TsuiBuiltInFileTheme::Picture(const QString& name, QSize size) const {
  const QString key = QStringLiteral("%1@%2x%3").arg(name).arg(size.width()).arg(size.height());
  auto cached = cache_.constFind(key);
  if (cached != cache_.constEnd()) return *cached;

  QPixmap picture(size);
  picture.fill(Qt::transparent);
  QSvgRenderer renderer(PicturePath(name));
  if (renderer.isValid()) {
    QPainter painter(&picture);
    renderer.render(&painter);
  }
  cache_.insert(key, picture);
  return picture;
}

}  // namespace platform
