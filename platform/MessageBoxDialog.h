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

  // Escape or closing the window answers like the box's Cancel button, or OK where it
  // has none.
  void reject() override;

 private:
  int closeAnswer_;
};

}  // namespace platform
