// The compression step: the source's service payload goes through "ser.tmp" into the
// compressor, whose output comes back from "comp_ser.tmp" into Conversion. Both
// temporary files lie in the current directory and are deleted before the step ends.
//
// A payload that cannot be read or written whole is a failed compression, reported like
// a compressor error: a target is never made from a cut payload.

#include <climits>
#include <memory>

#include "app/Unit1.h"
#include "channel/ChannelFormat.h"
#include "channel/ConversionState.h"
#include "compress/TZlib.h"
#include "convert/Unit2.h"
#include "platform/Exceptions.h"
#include "platform/FileIo.h"
#include "platform/TFileStream.h"

using namespace platform;

namespace {

constexpr const char* kPayloadFile = "ser.tmp";
constexpr const char* kCompressedFile = "comp_ser.tmp";
constexpr int kLevel = 9;

// Reads the service payload, from R + 76 to the end of the source, in one piece.
// Returns false when it cannot be read whole. The buffer is not cleared first: the read
// fills it, and a payload of tens of MiB should not be written twice.
bool ReadServicePayload(std::unique_ptr<uint8_t[]>& payload, int32_t& length) {
  const THandle source = Conversion.SourceHandle;
  const int64_t size = FileSeek(source, 0, soFromEnd);
  if (size < 0) return false;
  const int64_t n =
      size - (static_cast<int64_t>(Conversion.RecordOffset) + channel::kA1PayloadOffset);
  // A source that ends before its payload would start cannot be converted.
  if (n < 0) throw EReadError("The source ends before its service payload");
  // The Open check refuses sources of 2 GiB or more; one that grew since cannot be read
  // in one piece.
  if (n > INT32_MAX) return false;
  length = static_cast<int32_t>(n);
  payload.reset(new uint8_t[static_cast<size_t>(n)]);
  const int64_t start = static_cast<int64_t>(Conversion.RecordOffset) + channel::kA1PayloadOffset;
  if (FileSeek(source, start, soFromBeginning) != start) return false;
  return FileRead(source, payload.get(), length) == length;
}

bool ReportFailure() {
  Form1->suiMessageDialog1->SetCaption("Compression Error");
  Form1->suiMessageDialog1->SetText("Error[8] : Couldn't Compress the dat file!");
  Form1->suiMessageDialog1->ShowModal();
  Conversion.CloseSource();
  return false;
}

}  // namespace

bool CompressServiceData() {
  auto zlib = std::make_unique<TZlib>();
  Conversion.CompressedSize = 0;

  std::unique_ptr<uint8_t[]> payload;
  int32_t n = 0;
  const bool payloadRead = ReadServicePayload(payload, n);

  auto serStream = std::make_unique<TFileStream>(kPayloadFile, fmCreate);
  bool whole = payloadRead && serStream->Write(payload.get(), n) == n;
  // Freed here: the compression must not run with the whole payload still in memory.
  payload.reset();
  whole = serStream->Seek(0, soFromBeginning) == 0 && whole;

  auto compStream = std::make_unique<TFileStream>(kCompressedFile, fmCreate);
  whole = compStream->Seek(0, soFromBeginning) == 0 && whole;

  int32_t result = whole ? zlib->Compress(serStream.get(), compStream.get(), kLevel) : -1;
  // The compressor takes a failed read for the end of the data: it must have read the
  // payload to its end, or the stream it made is of a cut payload.
  if (result == 0 && serStream->Seek(0, soFromCurrent) != n) result = -1;

  if (result == 0) {
    serStream.reset();
    zlib.reset();
    DeleteFileA(kPayloadFile);

    const int64_t compressedSize = compStream->Size();
    bool complete = compressedSize >= 0 && compressedSize <= INT32_MAX;
    if (complete) {
      Conversion.CompressedSize = static_cast<int32_t>(compressedSize);
      Conversion.CompressedPayload.reset(new uint8_t[static_cast<size_t>(compressedSize)]);
      complete = compStream->Seek(0, soFromBeginning) == 0 &&
                 compStream->Read(Conversion.CompressedPayload.get(), Conversion.CompressedSize) ==
                     Conversion.CompressedSize;
    }
    compStream.reset();
    DeleteFileA(kCompressedFile);
    if (complete) return true;
    Conversion.ReleasePayload();
    return ReportFailure();
  }

  ReportFailure();
  zlib.reset();
  compStream.reset();
  serStream.reset();
  DeleteFileA(kPayloadFile);
  DeleteFileA(kCompressedFile);
  return false;
}
