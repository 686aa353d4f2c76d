#include "platform/FileIo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/TestSeam.h"

namespace platform {

namespace {

IoVerdict AskSeam(IoCall call, int64_t count) {
  TestSeam* seam = InstalledTestSeam();
  return seam ? seam->OnIo(call, count) : IoVerdict{};
}

// The byte count a transfer may move once the seam has had its say; -1 to fail it.
int32_t AllowedCount(IoCall call, int32_t count) {
  const IoVerdict verdict = AskSeam(call, count);
  switch (verdict.kind) {
    case IoVerdict::Proceed: return count;
    case IoVerdict::Fail: return -1;
    case IoVerdict::Short: return std::max<int32_t>(0, count - verdict.shortBy);
  }
  return count;
}

bool IsReadOnly(const struct stat& st) {
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// Takes the exclusive lock that makes an open unshared. flock locks belong to the open
// file description, so two opens within this process exclude each other as well.
bool LockExclusive(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

}  // namespace

namespace detail {

int OpenUnshared(const std::string& name, int mode, IoCall call) {
  if (AskSeam(call, 0).kind == IoVerdict::Fail) return -1;
  if (name.empty()) return -1;

  const bool create = mode == fmCreate;
  const bool writing = create || (mode & 3) != fmOpenRead;
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0) {
    // Only regular files: a pipe or a terminal would block the first read for good.
    if (!S_ISREG(st.st_mode)) return -1;
    if (writing && IsReadOnly(st)) return -1;
  } else if (!create) {
    return -1;
  }

  // Non-blocking, so that a pipe put in the file's place since the test above cannot hold
  // the open itself; the check after the open refuses it.
  int flags = O_CLOEXEC | O_NONBLOCK;
  if (create) {
    flags |= O_RDWR | O_CREAT;  // no O_TRUNC: empty the file only once it is ours
  } else if ((mode & 3) == fmOpenWrite) {
    flags |= O_WRONLY;
  } else if ((mode & 3) == fmOpenReadWrite) {
    flags |= O_RDWR;
  } else {
    flags |= O_RDONLY;
  }
  int fd;
  do {
    fd = ::open(name.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 || !LockExclusive(fd) ||
      (create && ::ftruncate(fd, 0) != 0)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int32_t ReadAll(int fd, void* buffer, int32_t count) {
  if (fd < 0 || count < 0) return -1;
  auto* out = static_cast<char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd, out + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return done > 0 ? done : -1;
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t WriteAll(int fd, const void* buffer, int32_t count) {
  if (fd < 0 || count < 0) return -1;
  const auto* in = static_cast<const char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd, in + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return done > 0 ? done : -1;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t SeekTo(int fd, int64_t offset, int origin) {
  if (fd < 0) return -1;
  int whence = SEEK_SET;
  if (origin == soFromCurrent) whence = SEEK_CUR;
  if (origin == soFromEnd) whence = SEEK_END;
  const off_t pos = ::lseek(fd, static_cast<off_t>(offset), whence);
  return pos < 0 ? -1 : static_cast<int64_t>(pos);
}

}  // namespace detail

THandle FileOpen(const std::string& name, int mode) {
  return detail::OpenUnshared(name, mode & 0xF, IoCall::FileOpen);
}

THandle FileCreate(const std::string& name) {
  return detail::OpenUnshared(name, fmCreate, IoCall::FileCreate);
}

int32_t FileRead(THandle handle, void* buffer, int32_t count) {
  if (count < 0) return -1;
  const int32_t allowed = AllowedCount(IoCall::FileRead, count);
  return allowed < 0 ? -1 : detail::ReadAll(handle, buffer, allowed);
}

int32_t FileWrite(THandle handle, const void* buffer, int32_t count) {
  if (count < 0) return -1;
  const int32_t allowed = AllowedCount(IoCall::FileWrite, count);
  return allowed < 0 ? -1 : detail::WriteAll(handle, buffer, allowed);
}

int64_t FileSeek(THandle handle, int64_t offset, int origin) {
  if (AskSeam(IoCall::FileSeek, 0).kind == IoVerdict::Fail) return -1;
  return detail::SeekTo(handle, offset, origin);
}

bool FileFlush(THandle handle) {
  if (AskSeam(IoCall::FileFlush, 0).kind == IoVerdict::Fail || handle < 0) return false;
  return ::fsync(handle) == 0;
}

void FileClose(THandle handle) {
  if (handle >= 0) ::close(handle);
}

bool FileExists(const std::string& name) {
  struct stat st {};
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& name) {
  if (AskSeam(IoCall::DeleteFile, 0).kind == IoVerdict::Fail) return false;
  struct stat st {};
  if (name.empty() || ::lstat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (S_ISREG(st.st_mode) && IsReadOnly(st)) return false;
  // A file that someone holds open unshared cannot be deleted, as on the platform whose
  // rules the program follows: probe its lock with a read-only open of our own.
  if (S_ISREG(st.st_mode)) {
    const int probe = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (probe >= 0) {
      const bool held = !LockExclusive(probe);
      ::close(probe);
      if (held) return false;
    }
  }
  return ::unlink(name.c_str()) == 0;
}

bool DeleteFileA(const std::string& name) { return DeleteFile(name); }

}  // namespace platform
