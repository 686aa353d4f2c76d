// The Convert command and the end of a run, both on the UI thread.

#include <exception>

#include "app/Unit1.h"
#include "channel/ConversionState.h"
#include "convert/Unit2.h"
#include "platform/Boxes.h"
#include "platform/TApplication.h"

using namespace platform;

void TForm1::ConvertClick(QObject*) {
  if (Busy != 0) {
    Application->MessageBox("W[2] : Application Busy.", "Warning", MB_OK);
    return;
  }
  Busy = 1;
  try {
    MYThread = new ConvertThread(false);
    MYThread->SetPriority(tpNormal);
    MYThread->SetOnTerminate([this](TThread*) { EndMYThread(nullptr); });
  } catch (const std::exception& e) {
    // No run started: the program goes back to idle so Open and Convert work again.
    delete MYThread;
    MYThread = nullptr;
    Busy = 0;
    Application->ShowException(e);
  }
}

void TForm1::EndMYThread(QObject*) {
  Busy = 0;
  if (MYThread != nullptr) delete MYThread;
  MYThread = nullptr;
  // A run that used up its source leaves nothing to convert until the next Open.
  if (!Conversion.SourceHeld()) Convert->SetEnabled(false);
  CarryOutHeldClose();
}
