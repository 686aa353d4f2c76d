#include "convert/Unit2.h"

#include "app/Unit1.h"
#include "platform/ThreadName.h"

ConvertThread* MYThread = nullptr;

void ConvertThread::NameThread() { platform::NameCurrentThread("ExtractThread"); }

void ConvertThread::Execute() {
  NameThread();
  if (GetBusy() == 1) RunConversion();
}
