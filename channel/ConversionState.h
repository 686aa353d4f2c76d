#pragma once
// What a successful source check leaves for the conversion, and what the conversion
// fills in and uses up. One process-wide set: written by the Open command on the UI
// thread and, while Busy is set, by the worker; Busy keeps the two apart.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/FileIo.h"

struct ConversionState {
  std::string SourcePath;       // full path confirmed in the dialog
  std::string SourceExtension;  // with its dot; empty when the name has none
  std::string TargetPath;       // the source's directory, "A2_xx_", the source's name
  platform::THandle SourceHandle = -1;  // open from a successful check until used up
  int32_t RecordOffset = 0;             // R: where the service record's header starts
  uint8_t CarriedWord[2] = {0, 0};      // the source's bytes at R + 74 and R + 75
  int32_t CompressedSize = 0;
  std::unique_ptr<uint8_t[]> CompressedPayload;
  platform::THandle TargetHandle = -1;

  bool SourceHeld() const { return SourceHandle >= 0; }
  void CloseSource();
  void CloseTarget();
  void ReleasePayload();
};

extern ConversionState Conversion;
