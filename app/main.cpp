// Program entry: start the application, make the main window and run until it closes.
// Every path ends with exit code 0; an exception is shown, not passed on.

#include "app/Unit1.h"
#include "app/VersionInfo.h"
#include "platform/Exceptions.h"
#include "platform/TApplication.h"

using platform::Application;

int main() {
  try {
    Application->Initialize();
    version_info::Apply();
    Application->SetTitle("ZARVO vA1.xx to A2.xx DataBase Converter v1.0");
    Application->CreateForm(&Form1);
    Application->Run();
  } catch (const platform::Exception& e) {
    Application->ShowException(e);
  } catch (...) {
    try {
      throw platform::Exception("");
    } catch (const platform::Exception& e) {
      Application->ShowException(e);
    }
  }
  return 0;
}
