#include "platform/TsuiTitleButton.h"

#include <QPainter>

#include "platform/TsuiBuiltInFileTheme.h"

namespace platform {

TsuiTitleButton::TsuiTitleButton(QWidget* parent, TsuiBuiltInFileTheme* theme,
                                 const QString& kind)
    : QAbstractButton(parent), theme_(theme), kind_(kind) {
  setObjectName(kind + "Button");
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::NoFocus);
  setFixedSize(kSize, kSize);
}

void TsuiTitleButton::paintEvent(QPaintEvent*) {
  const char* state = isDown() ? "pressed" : underMouse() ? "hover" : "normal";
  QPainter painter(this);
  painter.drawPixmap(0, 0, theme_->Picture(QStringLiteral("button-%1-%2").arg(kind_, state),
                                           QSize(kSize, kSize)));
}

}  // namespace platform
