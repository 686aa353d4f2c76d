#include "platform/TsuiImagePanel.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/TsuiBuiltInFileTheme.h"

namespace platform {

TsuiImagePanel::TsuiImagePanel(QWidget* parent) : QWidget(parent) {}

void TsuiImagePanel::SetPicture(TsuiBuiltInFileTheme* theme, const QString& pictureName) {
  theme_ = theme;
  pictureName_ = pictureName;
  update();
}

void TsuiImagePanel::paintEvent(QPaintEvent*) {
  if (theme_ == nullptr) return;
  QPainter painter(this);
  painter.drawPixmap(rect(), theme_->Picture(pictureName_, size()));
}

void TsuiImagePanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      OnClick) {
    OnClick(this);
  }
}

}  // namespace platform
