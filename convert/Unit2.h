#pragma once
// The conversion worker: the thread that runs one conversion, and its pipeline.

#include "platform/TThread.h"

class ConvertThread : public platform::TThread {
 public:
  explicit ConvertThread(bool CreateSuspended) : platform::TThread(CreateSuspended) {}

 protected:
  void Execute() override;

 private:
  // Names the running thread "ExtractThread" for debuggers.
  static void NameThread();
};

// The worker of the conversion under way; null when there is none.
extern ConvertThread* MYThread;

// The whole conversion, on the worker thread: compression, then the target file.
void RunConversion();

// Compresses the source's service payload into Conversion. False when it failed; the
// failure has then been reported and the source closed.
bool CompressServiceData();
