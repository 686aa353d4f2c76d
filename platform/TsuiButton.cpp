#include "platform/TsuiButton.h"

#include <QPainter>
#include <QPainterPath>

#include "platform/TsuiBuiltInFileTheme.h"
#include "platform/UiThread.h"

namespace platform {

TsuiButton::TsuiButton(QWidget* parent) : QAbstractButton(parent) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (OnClick) OnClick(this);
  });
}

void TsuiButton::SetGlyph(const QString& pictureName, QSize size) {
  glyphName_ = pictureName;
  glyphSize_ = size;
}

void TsuiButton::SetEnabled(bool enabled) {
  RunOnUiThread([&] { setEnabled(enabled); });
}

bool TsuiButton::Enabled() const {
  bool enabled = false;
  RunOnUiThread([&] { enabled = isEnabled(); });
  return enabled;
}

void TsuiButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);

  // Face: a soft vertical gradient that brightens under the mouse and sinks when pressed.
  const bool hot = underMouse() && isEnabled();
  const bool down = isDown();
  QColor top(0xF7, 0xFA, 0xFF), bottom(0xC3, 0xD3, 0xEE), edge(0x53, 0x71, 0xAA);
  if (hot) {
    top = QColor(0xFF, 0xFF, 0xFF);
    bottom = QColor(0xD6, 0xE4, 0xFA);
  }
  if (down) std::swap(top, bottom);
  if (!isEnabled()) {
    top = QColor(0xF2, 0xF2, 0xF2);
    bottom = QColor(0xDD, 0xDD, 0xDD);
    edge = QColor(0xA8, 0xA8, 0xA8);
  }
  const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient gradient(face.topLeft(), face.bottomLeft());
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  QPainterPath outline;
  outline.addRoundedRect(face, 5, 5);
  painter.fillPath(outline, gradient);
  painter.setPen(QPen(edge, 1));
  painter.drawPath(outline);
  if (hasFocus()) {
    painter.setPen(QPen(edge, 1, Qt::DotLine));
    painter.drawRoundedRect(face.adjusted(3, 3, -3, -3), 3, 3);
  }

  // Glyph and caption side by side, the pair centred.
  const QFontMetrics metrics(font());
  const int textWidth = metrics.horizontalAdvance(text());
  const bool hasGlyph = theme_ != nullptr && !glyphName_.isEmpty();
  // The design's spacing, narrowed where the caption's font is wider than the one the
  // design was made with, so the caption is never cut.
  int spacing = spacing_;
  const int room = width() - 12;
  if (hasGlyph && glyphSize_.width() + spacing + textWidth > room) {
    spacing = std::max(4, room - glyphSize_.width() - textWidth);
  }
  const int glyphWidth = hasGlyph ? glyphSize_.width() + spacing : 0;
  int x = (width() - glyphWidth - textWidth) / 2 + (down ? 1 : 0);
  const int shift = down ? 1 : 0;
  if (hasGlyph) {
    QPixmap glyph = theme_->Picture(glyphName_, glyphSize_);
    painter.setOpacity(isEnabled() ? 1.0 : 0.35);
    painter.drawPixmap(x, (height() - glyphSize_.height()) / 2 + shift, glyph);
    painter.setOpacity(1.0);
    x += glyphWidth;
  }
  painter.setPen(isEnabled() ? fontColor_ : QColor(0x90, 0x90, 0x90));
  painter.drawText(QRect(x, shift, textWidth + 2, height()), Qt::AlignVCenter | Qt::AlignLeft,
                   text());
}

}  // namespace platform
