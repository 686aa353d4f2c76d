#pragma once
// The application object: start-up, the title, the main window, the message loop, boxes
// and the report of exceptions.

#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include <QPointer>
#include <QWidget>

class QApplication;

namespace platform {

class TApplication {
 public:
  TApplication();
  ~TApplication();

  // Starts the GUI. The program takes no command line: nothing is passed on to Qt.
  void Initialize();
  void SetTitle(const std::string& title);
  const std::string& Title() const { return title_; }

  // Makes the main window. The reference is stored before the window's constructor
  // runs, so that the window's own creation code may already use it; the window's
  // creation handler runs once the window is built.
  template <class TFormClass>
  void CreateForm(TFormClass** reference);

  // Runs the message loop until the main window closes, then takes down the window and
  // the GUI that Initialize made.
  void Run();

  // Shows the exception's message in a modal box titled with Title.
  void ShowException(const std::exception& e);

  // A modal box: flags MB_OK or MB_OKCANCEL; returns IDOK or IDCANCEL.
  int MessageBox(const std::string& text, const std::string& caption, int flags);

  QWidget* MainForm() const { return mainForm_.data(); }

 private:
  void AdoptMainForm(QWidget* form, const std::function<void()>& created);

  std::string title_;
  std::unique_ptr<QApplication> app_;
  QPointer<QWidget> mainForm_;  // cleared if the window is deleted by its owner
};

extern TApplication* Application;

template <class TFormClass>
void TApplication::CreateForm(TFormClass** reference) {
  void* memory = ::operator new(sizeof(TFormClass));
  *reference = static_cast<TFormClass*>(memory);
  TFormClass* form = nullptr;
  try {
    form = new (memory) TFormClass();
  } catch (...) {
    *reference = nullptr;
    ::operator delete(memory);
    throw;
  }
  AdoptMainForm(form, [form] { form->DoCreate(); });
}

}  // namespace platform
