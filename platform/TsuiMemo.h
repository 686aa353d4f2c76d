#pragma once
// The skinned memo: a read-only, scrollable log of lines.

#include <QPlainTextEdit>
#include <cstdint>

#include "platform/TStrings.h"

namespace platform {

class TsuiMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TsuiMemo(QWidget* parent);
  ~TsuiMemo() override;

  void SetBorderColor(uint32_t color);

  TStrings* Lines;
};

}  // namespace platform
