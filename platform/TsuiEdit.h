#pragma once
// The skinned one-line field.

#include <QLineEdit>
#include <string>

namespace platform {

class TsuiEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TsuiEdit(QWidget* parent);

  void SetText(const std::string& text);  // carried out on the UI thread
  std::string Text() const;
};

}  // namespace platform
