#pragma once
// The skinned group box: a titled frame around other controls.

#include <QGroupBox>
#include <cstdint>

namespace platform {

class TsuiGroupBox : public QGroupBox {
  Q_OBJECT
 public:
  explicit TsuiGroupBox(QWidget* parent);
  void SetLook(uint32_t borderColor, uint32_t fontColor);
};

}  // namespace platform
