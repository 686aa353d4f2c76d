#include "platform/TsuiEdit.h"

#include "platform/UiThread.h"

namespace platform {

TsuiEdit::TsuiEdit(QWidget* parent) : QLineEdit(parent) {
  setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid black; background: white; }"));
}

void TsuiEdit::SetText(const std::string& text) {
  RunOnUiThread([&] { setText(QString::fromStdString(text)); });
}

std::string TsuiEdit::Text() const {
  std::string text;
  RunOnUiThread([&] { text = QLineEdit::text().toStdString(); });
  return text;
}

}  // namespace platform
