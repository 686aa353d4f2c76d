#include "platform/TsuiGroupBox.h"

#include "platform/SkinLook.h"

namespace platform {

TsuiGroupBox::TsuiGroupBox(QWidget* parent) : QGroupBox(parent) {}

void TsuiGroupBox::SetLook(uint32_t borderColor, uint32_t fontColor) {
  setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid %1; margin-top: 7px; }"
                               "QGroupBox::title { subcontrol-origin: margin; left: 8px;"
                               " padding: 0 3px; color: %2; }")
                    .arg(TColorToQColor(borderColor).name(), TColorToQColor(fontColor).name()));
}

}  // namespace platform
