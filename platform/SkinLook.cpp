#include "platform/SkinLook.h"

namespace platform {

QColor TColorToQColor(uint32_t color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

QFont SkinFont(const char* family, int pixelSize, bool bold) {
  QFont font(QString::fromLatin1(family));
  font.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

}  // namespace platform
