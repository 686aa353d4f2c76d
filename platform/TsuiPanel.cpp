#include "platform/TsuiPanel.h"

#include <QPainter>
#include <QToolButton>

#include "platform/SkinLook.h"

namespace platform {

TsuiPanel::TsuiPanel(QWidget* parent)
    : QWidget(parent),
      border_(Qt::black),
      captionColor_(Qt::darkBlue),
      color_(Qt::white),
      foldButton_(new QToolButton(this)) {
  foldButton_->setObjectName("FoldButton");
  foldButton_->setArrowType(Qt::UpArrow);
  foldButton_->setAutoRaise(true);
  foldButton_->setFocusPolicy(Qt::NoFocus);
  foldButton_->setCursor(Qt::PointingHandCursor);
  foldButton_->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
  connect(foldButton_, &QToolButton::clicked, this, [this] { SetFolded(!folded_); });
}

void TsuiPanel::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}
void TsuiPanel::SetBorderColor(uint32_t color) { border_ = TColorToQColor(color); }
void TsuiPanel::SetCaptionColor(uint32_t color) { captionColor_ = TColorToQColor(color); }
void TsuiPanel::SetColor(uint32_t color) { color_ = TColorToQColor(color); }

void TsuiPanel::SetFolded(bool folded) {
  if (folded == folded_) return;
  folded_ = folded;
  if (folded_) unfoldedHeight_ = height();
  for (QObject* child : children()) {
    if (auto* widget = qobject_cast<QWidget*>(child); widget && widget != foldButton_) {
      widget->setVisible(!folded_);
    }
  }
  resize(width(), folded_ ? kCaptionHeight : unfoldedHeight_);
  foldButton_->setArrowType(folded_ ? Qt::DownArrow : Qt::UpArrow);
}

void TsuiPanel::resizeEvent(QResizeEvent*) {
  foldButton_->setGeometry(width() - kCaptionHeight, 2, kCaptionHeight - 4, kCaptionHeight - 4);
}

void TsuiPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), color_);
  // Caption bar: the caption colour fading to a lighter tone, the text in white.
  const QRect bar(0, 0, width(), kCaptionHeight);
  QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
  gradient.setColorAt(0, captionColor_.lighter(135));
  gradient.setColorAt(1, captionColor_);
  painter.fillRect(bar, gradient);
  painter.setPen(Qt::white);
  painter.setFont(font());
  painter.drawText(bar.adjusted(8, 0, -kCaptionHeight, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   caption_);
  painter.setPen(border_);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace platform
