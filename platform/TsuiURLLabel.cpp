#include "platform/TsuiURLLabel.h"

#include <QMouseEvent>

#include "platform/Shell.h"

namespace platform {

TsuiURLLabel::TsuiURLLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
  SetHot(false);
}

void TsuiURLLabel::SetHot(bool hot) {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, hot ? Qt::red : Qt::blue);
  setPalette(colours);
}

void TsuiURLLabel::enterEvent(QEnterEvent*) { SetHot(true); }
void TsuiURLLabel::leaveEvent(QEvent*) { SetHot(false); }

void TsuiURLLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    ShellExecute(window(), "open", address_, nullptr, nullptr, SW_SHOWNORMAL);
  }
}

}  // namespace platform
