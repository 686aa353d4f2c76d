// The Open command: the user picks an A1.xx channel file, and it is checked step by step
// (extension, magic, type, body CRC, service record, version word). Each failure ends
// the command with its box; on success the source stays open for the conversion.

#include <climits>
#include <cstring>
#include <memory>

#include "app/Unit1.h"
#include "channel/ChannelFormat.h"
#include "channel/ConversionState.h"
#include "platform/Boxes.h"
#include "platform/Exceptions.h"
#include "platform/FileIo.h"
#include "platform/Paths.h"
#include "platform/TApplication.h"

using namespace platform;
using namespace channel;

namespace {

constexpr const char* kChannelFilter = "ZARVO Channel Files (*.zcn)|*.ZCN";
constexpr const char* kTargetPrefix = "A2_xx_";

// Where the second magic of the body starts; for fewer than two, where the search ended.
int32_t FindServiceRecord(const uint8_t* body, int32_t n) {
  int32_t count = 0;
  int32_t pos = 0;
  while (pos < n - 5) {
    if (std::memcmp(body + pos, kMagic.data(), kMagic.size()) == 0) {
      ++count;
      if (count == 2) break;
    }
    ++pos;
  }
  return pos;
}

// Ends a failed check: the file it opened is closed again.
void FailCheck(const char* text, const char* caption) {
  Application->MessageBox(text, caption, MB_OK);
  Conversion.CloseSource();
}

}  // namespace

void TForm1::OpenClick(QObject*) {
  if (Busy != 0) {
    Application->MessageBox("W[1] : Application Busy.", "Warning", MB_OK);
    return;
  }

  OpenDialog1->SetOptions(0);
  OpenDialog1->SetFilter(kChannelFilter);
  OpenDialog1->SetFilterIndex(1);
  OpenDialog1->SetFileName("");
  OpenDialog1->SetInitialDir(OpenDir);
  if (!OpenDialog1->Execute()) return;

  try {
    Conversion.SourcePath = OpenDialog1->FileName();
    Conversion.SourceExtension = ExtractFileExt(Conversion.SourcePath);
    OpenDir = ExtractFilePath(Conversion.SourcePath);
    Conversion.TargetPath = OpenDir + kTargetPrefix + ExtractFileName(Conversion.SourcePath);

    // A source held from an earlier check is let go before anything else is opened, so
    // no file stays locked and a conversion can only use the file checked last.
    Conversion.CloseSource();
    Convert->SetEnabled(false);

    if (AnsiCompareStr(AnsiUpperCase(Conversion.SourceExtension), ".ZCN") != 0) {
      Application->MessageBox("Level[1] : Wrong File Format.", "Error", MB_OK);
      return;
    }

    Conversion.SourceHandle = FileOpen(OpenDialog1->FileName(), fmOpenReadWrite);
    if (Conversion.SourceHandle < 0) {
      Conversion.SourceHandle = -1;
      Application->MessageBox("Error[1] : Couldn't open ZARVO channel file.\n", "File Error",
                              MB_OK);
      return;
    }
    const THandle source = Conversion.SourceHandle;

    // Cleared first, so that a file shorter than a header meets the tests with zeros
    // where it has no bytes.
    uint8_t header[kHeaderSize] = {};
    FileRead(source, header, kHeaderSize);

    if (std::memcmp(header, kMagic.data(), kFileMagicTestSize) != 0) {
      FailCheck("Error[2] : Wrong file format, Not a ZARVO File!", "File Error");
      return;
    }
    const uint8_t type[kTypeFieldSize] = {kType[0], kType[1], kType[2], 0};
    if (std::memcmp(header + kTypeOffset, type, kTypeFieldSize) != 0) {
      FailCheck("Error[3] : Wrong file format, Not a channel File!", "File Error");
      return;
    }

    // Sizes are signed 32-bit throughout: a file of 2 GiB or more cannot be taken.
    const int64_t size = FileSeek(source, 0, soFromEnd);
    if (size < 0) throw EReadError("The size of the source could not be read");
    if (size > INT32_MAX) throw EReadError("The source is too large");
    const int32_t n = static_cast<int32_t>(size) - kHeaderSize;
    if (n < 0) throw EReadError("The source ends inside its header");
    // Not cleared: the read below fills it whole, or the check ends.
    std::unique_ptr<uint8_t[]> body(new uint8_t[static_cast<size_t>(n)]);

    uint8_t storedCrcBytes[kWordSize] = {};
    FileSeek(source, kCrcOffset, soFromBeginning);
    if (FileRead(source, storedCrcBytes, kWordSize) != kWordSize ||
        FileRead(source, body.get(), n) != n) {
      throw EReadError("The source could not be read");
    }
    if (Crc32(0, body.get(), static_cast<uint32_t>(n)) != ReadBigEndian32(storedCrcBytes)) {
      FailCheck("Error[4] : Wrong CRC, The file is corrupted!", "CRC Error");
      return;
    }

    Conversion.RecordOffset = FindServiceRecord(body.get(), n) + kHeaderSize;
    const int32_t r = Conversion.RecordOffset;

    // A file without a second record ends before R + 72: the short read leaves the
    // cleared word, which fails the test.
    uint8_t version[kVersionSize] = {};
    FileSeek(source, static_cast<int64_t>(r) + kA1VersionOffset, soFromBeginning);
    FileRead(source, version, kVersionSize);
    if (std::memcmp(version, kVersionA1.data(), kVersionSize) != 0) {
      Memo1->Lines->Add("Wrong Service DataBase Version");
      FailCheck("Error[5] : Wrong File Format.", "Error");
      return;
    }

    Memo1->Lines->Add("Service DataBase : OK");
    uint8_t carried[kCarriedSize] = {};
    FileRead(source, carried, kCarriedSize);
    std::memcpy(Conversion.CarriedWord, carried, kCarriedSize);
    body.reset();
    Convert->SetEnabled(true);
    Memo1->Lines->Add("Source File successfully Opened.");
    Memo1->Lines->Add("You can proceed.");
  } catch (...) {
    Memo1->Lines->Add("An error occured.");
    Application->MessageBox("Problem writing to file.", "File Error", MB_OKCANCEL);
    Conversion.CloseSource();
    Convert->SetEnabled(false);
  }
}
