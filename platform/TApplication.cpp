#include "platform/TApplication.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>

#include "platform/Boxes.h"
#include "platform/Exceptions.h"
#include "platform/MessageBoxDialog.h"

namespace platform {

namespace {

// Reports an exception that escapes an event handler and lets the loop go on, as the
// platform's own loop does; Qt itself cannot carry an exception through its loop.
class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      Application->ShowException(e);
    } catch (...) {
      Application->ShowException(Exception(""));
    }
    return false;
  }
};

int argumentCount = 1;
char programName[] = "zcn-converter";
char* arguments[] = {programName, nullptr};

TApplication theApplication;

}  // namespace

TApplication* Application = &theApplication;

TApplication::TApplication() = default;
TApplication::~TApplication() {
  // The window goes before the GUI it was made in; a GUI made by someone else (a test
  // runner) is theirs to tear down, with whatever windows it still has.
  if (app_) {
    delete mainForm_.data();
    app_.reset();
  }
}

void TApplication::Initialize() {
  if (QApplication::instance() == nullptr) {
    app_ = std::make_unique<GuardedApplication>(argumentCount, arguments);
  }
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (!mainForm_.isNull()) mainForm_->setWindowTitle(QString::fromStdString(title_));
}

void TApplication::AdoptMainForm(QWidget* form, const std::function<void()>& created) {
  mainForm_ = form;
  // The window system shows the application's title for the main window (in the
  // taskbar); the skinned frame draws the window's own caption.
  form->setWindowTitle(QString::fromStdString(title_));
  created();
}

void TApplication::Run() {
  if (mainForm_.isNull() || QApplication::instance() == nullptr) return;
  mainForm_->show();
  QApplication::exec();
  // The loop has ended and so does the program: the window and the GUI we made go now,
  // while Qt and its platform plugin are still whole. Left to the exit handlers, they
  // would be torn down after parts of Qt already were, and the program would crash.
  if (app_) {
    delete mainForm_.data();
    app_.reset();
  }
}

void TApplication::ShowException(const std::exception& e) {
  if (QApplication::instance() == nullptr) {
    std::fprintf(stderr, "%s\n", e.what());
    return;
  }
  const std::string text = e.what();
  const std::string caption = title_;
  ShowBox({text, caption, MB_OK},
          [text, caption] { return new MessageBoxDialog(text, caption, MB_OK); });
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, int flags) {
  return ShowBox({text, caption, flags},
                 [text, caption, flags] { return new MessageBoxDialog(text, caption, flags); });
}

}  // namespace platform
