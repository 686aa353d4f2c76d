#include "platform/TsuiMemo.h"

#include "platform/SkinLook.h"

namespace platform {

TsuiMemo::TsuiMemo(QWidget* parent) : QPlainTextEdit(parent), Lines(new TStrings(this)) {
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFrameShape(QFrame::NoFrame);
}

TsuiMemo::~TsuiMemo() { delete Lines; }

void TsuiMemo::SetBorderColor(uint32_t color) {
  setStyleSheet(QStringLiteral("QPlainTextEdit { border: 1px solid %1; background: white; }")
                    .arg(TColorToQColor(color).name()));
}

}  // namespace platform
