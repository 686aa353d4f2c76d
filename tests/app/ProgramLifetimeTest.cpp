// Runs the program's own start and end, the way its entry does, and closes the window
// as soon as the loop runs. The process must end normally with exit code 0: the window
// and the GUI were once torn down among the exit handlers, after parts of Qt, and the
// program crashed on its way out.

#include <QTimer>

#include "app/Unit1.h"
#include "platform/TApplication.h"

using platform::Application;

int main() {
  Application->Initialize();
  Application->SetTitle("ZARVO vA1.xx to A2.xx DataBase Converter v1.0");
  Application->CreateForm(&Form1);
  QTimer::singleShot(0, Form1, [] { Form1->close(); });
  Application->Run();
  return 0;
}
