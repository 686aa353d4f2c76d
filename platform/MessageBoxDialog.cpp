#include "platform/MessageBoxDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Boxes.h"

namespace platform {

MessageBoxDialog::MessageBoxDialog(const std::string& text, const std::string& caption, int flags)
    : closeAnswer_((flags & 0xF) == MB_OKCANCEL ? IDCANCEL : IDOK) {
  setWindowTitle(QString::fromStdString(caption));
  setObjectName("MessageBox");
  auto* label = new QLabel(QString::fromStdString(text), this);
  label->setObjectName("MessageText");
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
  connect(ok, &QPushButton::clicked, this, [this] { done(IDOK); });
  if ((flags & 0xF) == MB_OKCANCEL) {
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    connect(cancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
  }
  ok->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 12);
  layout->setSpacing(14);
  layout->addWidget(label);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MessageBoxDialog::reject() {
  done(closeAnswer_);
}

}  // namespace platform
