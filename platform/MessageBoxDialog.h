#pragma once
// The plain message box behind Application->MessageBox and ShowException: the text, no
// icon, and an OK button (or OK and Cancel); closing it answers IDOK or IDCANCEL.

#include <QDialog>
#include <string>

namespace platform {

class MessageBoxDialog : public QDialog {
  Q_OBJECT
 public:
  MessageBoxDialog(const std::string& text, const std::string& caption, int flags);
};

}  // namespace platform
