#include "platform/TsuiForm.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "platform/SkinLook.h"
#include "platform/TsuiBuiltInFileTheme.h"
#include "platform/TsuiTitleButton.h"

namespace platform {

TsuiForm::TsuiForm(QWidget* parent, TsuiBuiltInFileTheme* theme)
    : QWidget(parent),
      theme_(theme),
      color_(Qt::lightGray),
      captionColor_(Qt::black),
      controlBox_(new TsuiTitleButton(this, theme, "controlbox")),
      minimize_(new TsuiTitleButton(this, theme, "minimize")),
      maximize_(new TsuiTitleButton(this, theme, "maximize")),
      close_(new TsuiTitleButton(this, theme, "close")) {
  connect(close_, &QAbstractButton::clicked, this, [this] { window()->close(); });
  connect(minimize_, &QAbstractButton::clicked, this, [this] { window()->showMinimized(); });
  // The window has a fixed size, so maximising has nothing to do.
  connect(controlBox_, &QAbstractButton::clicked, this, &TsuiForm::ShowSystemMenu);
}

void TsuiForm::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TsuiForm::SetColor(uint32_t color) {
  color_ = TColorToQColor(color);
  update();
}

void TsuiForm::SetCaptionFont(const QFont& font, uint32_t color) {
  captionFont_ = font;
  captionColor_ = TColorToQColor(color);
  update();
}

void TsuiForm::ShowSystemMenu() {
  QMenu menu(this);
  menu.addAction(tr("Minimize"), this, [this] { window()->showMinimized(); });
  menu.addSeparator();
  menu.addAction(tr("Close"), this, [this] { window()->close(); });
  menu.exec(controlBox_->mapToGlobal(QPoint(0, controlBox_->height())));
}

void TsuiForm::resizeEvent(QResizeEvent*) {
  // Right to left from the frame's edge: close, maximise, minimise, control box.
  const int top = (kTitleHeight - TsuiTitleButton::kSize) / 2;
  int x = width() - 6 - TsuiTitleButton::kSize;
  for (TsuiTitleButton* button : {close_, maximize_, minimize_, controlBox_}) {
    button->move(x, top);
    x -= TsuiTitleButton::kSize + 1;
  }
}

void TsuiForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), color_);

  // Title bar: the left and right pictures at their own size, the middle one stretched.
  const int middleWidth = std::max(0, width() - kTitleLeftWidth - kTitleRightWidth);
  painter.drawPixmap(0, 0, theme_->Picture("title-left", QSize(kTitleLeftWidth, kTitleHeight)));
  if (middleWidth > 0) {
    painter.drawPixmap(QRect(kTitleLeftWidth, 0, middleWidth, kTitleHeight),
                       theme_->Picture("title-middle", QSize(8, kTitleHeight)));
  }
  painter.drawPixmap(width() - kTitleRightWidth, 0,
                     theme_->Picture("title-right", QSize(kTitleRightWidth, kTitleHeight)));

  const int iconSize = 16;
  icon_.paint(&painter, QRect(10, (kTitleHeight - iconSize) / 2, iconSize, iconSize));
  painter.setFont(captionFont_);
  painter.setPen(captionColor_);
  painter.drawText(QRect(34, 0, width() - 34 - 4 * (TsuiTitleButton::kSize + 1) - 10,
                         kTitleHeight),
                   Qt::AlignVCenter | Qt::AlignLeft, caption_);

  painter.setPen(Qt::black);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TsuiForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && event->position().y() < kTitleHeight) {
    pressed_ = true;
    moving_ = false;
    pressOffset_ = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
  }
}

// The move starts with the first drag movement, not with the press, so that a click on
// the title bar stays a click.
void TsuiForm::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_) return;
  if (!moving_) {
    moving_ = true;
    QWindow* handle = window()->windowHandle();
    if (handle != nullptr && handle->startSystemMove()) {
      pressed_ = false;  // the window system carries the move on
      return;
    }
  }
  window()->move(event->globalPosition().toPoint() - pressOffset_);
}

void TsuiForm::mouseReleaseEvent(QMouseEvent*) {
  pressed_ = false;
  moving_ = false;
}

}  // namespace platform
