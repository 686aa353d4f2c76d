#include "platform/TForm.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace platform {

TForm::TForm() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TForm::SetFixedClientSize(int width, int height) {
  setFixedSize(width, height);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width / 2, height / 2));
  }
}

void TForm::closeEvent(QCloseEvent* event) {
  if (OnCloseQuery && !OnCloseQuery()) {
    closeHeld_ = true;
    event->ignore();
    return;
  }
  closeHeld_ = false;
  event->accept();
}

void TForm::CarryOutHeldClose() {
  if (closeHeld_) close();
}

}  // namespace platform
