#pragma once
// The platform's exception classes. Expected failures are reported with boxes, not
// exceptions; these are raised only where the platform itself cannot go on (a stream
// that cannot be created or written, a thread that cannot be started).

#include <stdexcept>
#include <string>

namespace platform {

// Root of every exception the platform raises; what Application->ShowException shows.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

class EStreamError : public Exception {
  using Exception::Exception;
};
class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};
class EThread : public Exception {
  using Exception::Exception;
};

}  // namespace platform
