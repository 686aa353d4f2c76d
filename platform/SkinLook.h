#pragma once
// Colours and fonts in the terms the window design gives them.

#include <QColor>
#include <QFont>
#include <cstdint>

namespace platform {

// A colour number: blue in the high byte, then green, then red in the low byte.
QColor TColorToQColor(uint32_t color);

// The named family when it is installed, otherwise the nearest installed sans font.
QFont SkinFont(const char* family, int pixelSize, bool bold);

constexpr uint32_t clBlack = 0x000000;
constexpr uint32_t clWhite = 0xFFFFFF;
constexpr uint32_t clBlue = 0xFF0000;
constexpr uint32_t clRed = 0x0000FF;
constexpr uint32_t clBtnFace = 0xF0F0F0;

}  // namespace platform
