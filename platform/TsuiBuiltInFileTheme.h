#pragma once
// The skin every skinned control takes its look from. The one skin, "Wave", is built
// into the program: its pictures are compiled in and ready at start.

#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace platform {

class TsuiBuiltInFileTheme : public QObject {
  Q_OBJECT
 public:
  explicit TsuiBuiltInFileTheme(QObject* parent = nullptr);

  QString SkinName() const { return QStringLiteral("Wave"); }

  // The skin's picture `name` (for example "title-left") drawn at the given size.
  QPixmap Picture(const QString& name, QSize size) const;
  bool HasPicture(const QString& name) const;

 private:
  mutable QHash<QString, QPixmap> cache_;
};

}  // namespace platform
