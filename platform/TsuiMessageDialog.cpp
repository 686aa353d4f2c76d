#include "platform/TsuiMessageDialog.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Boxes.h"
#include "platform/SkinLook.h"
#include "platform/UiThread.h"

namespace platform {

namespace {

constexpr uint32_t kCaptionBarColor = 10642496;  // the skin's caption blue
constexpr uint32_t kFrameColor = 15849933;       // the skin's window colour

// The skinned box itself: a frameless dialog with a caption bar of its own.
QDialog* BuildDialog(const std::string& caption, const std::string& text) {
  auto* dialog = new QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
  dialog->setObjectName("suiMessageDialog");
  dialog->setWindowTitle(QString::fromStdString(caption));
  dialog->setStyleSheet(
      QStringLiteral("QDialog#suiMessageDialog { background: %1; border: 1px solid black; }"
                     "QLabel#DialogCaption { background: %2; color: white; padding: 6px 10px; }"
                     "QPushButton { min-width: 80px; min-height: 24px; }")
          .arg(TColorToQColor(kFrameColor).name(), TColorToQColor(kCaptionBarColor).name()));

  auto* title = new QLabel(QString::fromStdString(caption), dialog);
  title->setObjectName("DialogCaption");
  title->setFont(SkinFont("Tahoma", 11, true));

  auto* message = new QLabel(QString::fromStdString(text), dialog);
  message->setObjectName("MessageText");
  message->setFont(SkinFont("MS Sans Serif", 11, false));
  QPalette colours = message->palette();
  colours.setColor(QPalette::WindowText, Qt::black);
  message->setPalette(colours);

  auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
  ok->setCursor(Qt::PointingHandCursor);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, dialog, [dialog] { dialog->done(1); });

  auto* layout = new QVBoxLayout(dialog);
  layout->setContentsMargins(1, 1, 1, 12);
  layout->setSpacing(16);
  layout->addWidget(title);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(20, 0, 20, 0);
  body->addWidget(message);
  layout->addLayout(body);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  return dialog;
}

}  // namespace

TsuiMessageDialog::TsuiMessageDialog(QObject* parent) : QObject(parent) {}

void TsuiMessageDialog::SetCaption(const std::string& caption) {
  RunOnUiThread([&] { caption_ = caption; });
}

void TsuiMessageDialog::SetText(const std::string& text) {
  RunOnUiThread([&] { text_ = text; });
}

int TsuiMessageDialog::ShowModal() {
  std::string caption, text;
  RunOnUiThread([&] {
    caption = caption_;
    text = text_;
  });
  return ShowBox({text, caption, MB_OK}, [caption, text] { return BuildDialog(caption, text); });
}

}  // namespace platform
