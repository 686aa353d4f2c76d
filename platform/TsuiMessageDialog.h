#pragma once
// The skinned message dialog: its own caption bar, the text and one "OK" button that
// answers 1. Set Caption and Text, then ShowModal; from the worker it is shown on the
// UI thread and the worker waits for it to be closed.

#include <QObject>
#include <string>

namespace platform {

class TsuiMessageDialog : public QObject {
  Q_OBJECT
 public:
  explicit TsuiMessageDialog(QObject* parent);

  void SetCaption(const std::string& caption);
  void SetText(const std::string& text);
  int ShowModal();

 private:
  std::string caption_;
  std::string text_;
};

}  // namespace platform
