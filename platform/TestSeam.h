#pragma once
// The one seam through which tests take the place of the user and of the disk: they
// answer message boxes and the Open dialog, and make file operations fail or fall short.
// Nothing in the program installs a seam; without one every operation acts for real.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The file operations a seam may intercept. Closing and existence tests are not among
// them: they cannot fail in a way a caller could act on.
enum class IoCall {
  FileOpen,
  FileCreate,
  FileRead,
  FileWrite,
  FileSeek,
  FileFlush,
  DeleteFile,
  StreamCreate,
  StreamRead,
  StreamWrite,
  StreamSeek,
};

const char* IoCallName(IoCall call);

struct IoVerdict {
  enum Kind { Proceed, Fail, Short };
  Kind kind = Proceed;
  // With Short: the transfer moves this many bytes fewer than asked (never below 0).
  int32_t shortBy = 0;
};

struct BoxRequest {
  std::string text;
  std::string caption;
  int flags = 0;           // MB_OK or MB_OKCANCEL
  bool forWorker = false;  // asked for by another thread than the UI thread
};

struct OpenDialogRequest {
  std::string filter;      // in Qt's form, as the real dialog would be given it
  std::string initialDir;  // empty: the dialog's own default
};

class TestSeam {
 public:
  virtual ~TestSeam() = default;

  // Called on the UI thread in place of showing a box. Return true, with result set,
  // to answer it; false shows the real box.
  virtual bool AnswerBox(const BoxRequest& request, int& result);

  // Called on the UI thread in place of the Open dialog. Return true to answer it:
  // chosen holds the confirmed path, or nothing for a cancel.
  virtual bool AnswerOpenDialog(const OpenDialogRequest& request,
                                std::optional<std::string>& chosen);

  // Called on the calling thread (UI or worker) before each file operation, with the
  // byte count it asks for (0 where there is none).
  virtual IoVerdict OnIo(IoCall call, int64_t count);

  // Return true to make the next thread start fail.
  virtual bool FailThreadStart();

  // Called in place of opening an address in the system's browser; return true to
  // swallow it.
  virtual bool InterceptShellOpen(const std::string& address);
};

// Installs a seam for the whole process (null removes it). The caller keeps ownership.
void InstallTestSeam(TestSeam* seam);
TestSeam* InstalledTestSeam();

}  // namespace platform
