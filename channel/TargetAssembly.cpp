// The last step of a conversion: the A2.xx file is written in one forward pass (the
// source's prefix, a new service record header, the sub-header and the compressed
// payload), its two CRCs are computed from bytes read back, and the file header is
// written last.
//
// Every read and write is checked. One that falls short is a failed creation, never a
// success: the partial target is removed and the Level[10] box is shown.

#include <climits>
#include <cstring>
#include <memory>

#include "app/Unit1.h"
#include "channel/ChannelFormat.h"
#include "channel/ConversionState.h"
#include "channel/TargetAssembly.h"
#include "platform/Boxes.h"
#include "platform/FileIo.h"
#include "platform/Paths.h"
#include "platform/TApplication.h"

using namespace platform;
using namespace channel;

namespace {

constexpr int32_t kCopyBlockSize = 2048;

// Raised inside the assembly when the target could not be written or read back whole.
struct CreationFailed {};

void Write(THandle handle, const void* bytes, int32_t count) {
  if (FileWrite(handle, bytes, count) != count) throw CreationFailed{};
}

void Read(THandle handle, void* bytes, int32_t count) {
  if (FileRead(handle, bytes, count) != count) throw CreationFailed{};
}

void SeekTo(THandle handle, int64_t offset) {
  if (FileSeek(handle, offset, soFromBeginning) != offset) throw CreationFailed{};
}

// Lets go of everything a failed assembly holds: the partial target goes, the source is
// closed (unchanged) and the payload released, so the next Open of the file works.
void Abandon(bool removeTarget) {
  Conversion.CloseTarget();
  if (removeTarget) DeleteFile(Conversion.TargetPath);
  Conversion.CloseSource();
  Conversion.ReleasePayload();
}

void ReportCreationFailure(const char* text, bool removeTarget) {
  Abandon(removeTarget);
  Application->MessageBox(text, "Error", MB_OK);
  Form1->Convert->SetEnabled(false);
}

// The template with the type filled in: the start of both headers of the target.
std::array<uint8_t, kHeaderSize> TypedHeader() {
  std::array<uint8_t, kHeaderSize> header = HeaderTemplate;
  std::memcpy(header.data() + kTypeOffset, kType.data(), kType.size());
  return header;
}

void WriteTarget() {
  const THandle source = Conversion.SourceHandle;
  const THandle target = Conversion.TargetHandle;
  const int32_t r = Conversion.RecordOffset;
  const int32_t compressedSize = Conversion.CompressedSize;

  SeekTo(target, 0);
  SeekTo(source, 0);

  // The source's first R bytes; its file header among them is overwritten last.
  uint8_t block[kCopyBlockSize];
  int32_t remaining = r;
  while (remaining >= kCopyBlockSize) {
    Read(source, block, kCopyBlockSize);
    Write(target, block, kCopyBlockSize);
    remaining -= kCopyBlockSize;
  }
  if (remaining > 0) {
    Read(source, block, remaining);
    Write(target, block, remaining);
  }

  std::array<uint8_t, kHeaderSize> header = TypedHeader();
  Write(target, header.data(), kHeaderSize);

  // Sub-header, with room for the record CRC, then the payload in one write.
  const uint8_t crcPlaceholder[kWordSize] = {};
  uint8_t sizeBytes[kWordSize];
  WriteLittleEndian32(sizeBytes, static_cast<uint32_t>(compressedSize));
  Write(target, kSubHeaderTag.data(), kWordSize);
  Write(target, crcPlaceholder, kWordSize);
  Write(target, sizeBytes, kWordSize);
  Write(target, kVersionA2.data(), kVersionSize);
  Write(target, Conversion.CarriedWord, kCarriedSize);
  Write(target, Conversion.CompressedPayload.get(), compressedSize);
  Conversion.ReleasePayload();

  // Record CRC over everything from the compressed size field to the end, as written.
  {
    const int32_t length = compressedSize + kA2RecordCrcFixedSize;
    std::unique_ptr<uint8_t[]> written(new uint8_t[static_cast<size_t>(length)]);
    SeekTo(target, static_cast<int64_t>(r) + kA2CompressedSizeOffset);
    Read(target, written.get(), length);
    uint8_t crcBytes[kWordSize];
    WriteLittleEndian32(crcBytes, Crc32(0, written.get(), static_cast<uint32_t>(length)));
    SeekTo(target, static_cast<int64_t>(r) + kA2RecordCrcOffset);
    Write(target, crcBytes, kWordSize);
  }

  uint8_t recordLength[kWordSize];
  WriteBigEndian32(recordLength, static_cast<uint32_t>(compressedSize + kA2SubHeaderSize));
  SeekTo(target, static_cast<int64_t>(r) + kLengthOffset);
  Write(target, recordLength, kWordSize);

  // File CRC over the whole body as it now stands, record CRC and length included.
  const int32_t bodyLength = r + compressedSize + kA2SubHeaderSize;
  uint32_t fileCrc = 0;
  {
    std::unique_ptr<uint8_t[]> body(new uint8_t[static_cast<size_t>(bodyLength)]);
    SeekTo(target, kHeaderSize);
    Read(target, body.get(), bodyLength);
    fileCrc = Crc32(0, body.get(), static_cast<uint32_t>(bodyLength));
  }

  SeekTo(target, 0);
  WriteBigEndian32(header.data() + kLengthOffset, static_cast<uint32_t>(bodyLength));
  WriteBigEndian32(header.data() + kCrcOffset, fileCrc);
  Write(target, header.data(), kHeaderSize);
  // A full disk may only show when the data reaches it.
  if (!FileFlush(target)) throw CreationFailed{};
}

}  // namespace

void AssembleTargetFile() {
  const std::string& targetPath = Conversion.TargetPath;

  if (FileExists(targetPath) && !DeleteFile(targetPath)) {
    ReportCreationFailure("Level[9] : Couldn't create New ZCN File.", false);
    return;
  }

  // The target must stay below 2 GiB like every channel file.
  const int64_t targetSize = static_cast<int64_t>(Conversion.RecordOffset) + kA2PayloadOffset +
                             Conversion.CompressedSize;
  Conversion.TargetHandle = targetSize > INT32_MAX ? -1 : FileCreate(targetPath);
  if (Conversion.TargetHandle < 0) {
    Conversion.TargetHandle = -1;
    ReportCreationFailure("Level[10] : Couldn't create New ZCN File.", false);
    return;
  }

  try {
    WriteTarget();
  } catch (const CreationFailed&) {
    ReportCreationFailure("Level[10] : Couldn't create New ZCN File.", true);
    return;
  } catch (...) {
    Abandon(true);
    throw;
  }

  Form1->Memo1->Lines->Add("The New ZARVO Channel File Successfully Created.");
  Application->MessageBox(ExtractFileName(targetPath) + " Created", "Success", MB_OK);
  Conversion.CloseSource();
  Conversion.CloseTarget();
}
