#pragma once
// A top-level window. The skinned frame inside it draws the caption and border, so the
// window itself has no frame from the window system.

#include <QWidget>
#include <functional>

namespace platform {

class TForm : public QWidget {
  Q_OBJECT
 public:
  using TNotifyEvent = std::function<void(QObject* sender)>;

  TForm();

  TNotifyEvent OnCreate;
  // Asked when the window is to close; false holds the close back until
  // CarryOutHeldClose is called.
  std::function<bool()> OnCloseQuery;

  // Runs the creation handler; called by Application->CreateForm.
  void DoCreate();
  // Closes the window if a close was held back.
  void CarryOutHeldClose();
  bool CloseHeld() const { return closeHeld_; }

  // A fixed client area, centred on the screen.
  void SetFixedClientSize(int width, int height);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool closeHeld_ = false;
};

}  // namespace platform
