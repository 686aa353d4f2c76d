#include "channel/ConversionState.h"

void ConversionState::CloseSource() {
  if (SourceHandle >= 0) platform::FileClose(SourceHandle);
  SourceHandle = -1;
}

void ConversionState::CloseTarget() {
  if (TargetHandle >= 0) platform::FileClose(TargetHandle);
  TargetHandle = -1;
}

void ConversionState::ReleasePayload() {
  CompressedPayload.reset();
  CompressedSize = 0;
}
