#pragma once
// Handle-based file functions. Every open is unshared: a second open of a file that is
// held (by this process or another) fails. A file without any write permission bit is
// read-only, for root as for anyone: it cannot be opened for writing, created over or
// deleted. Positions are 64-bit; counts are signed 32-bit as the callers use them.

#include <cstdint>
#include <string>

namespace platform {

enum class IoCall;

using THandle = int;  // negative when an open failed

constexpr int fmOpenRead = 0x0000;
constexpr int fmOpenWrite = 0x0001;
constexpr int fmOpenReadWrite = 0x0002;
constexpr int fmCreate = 0xFFFF;

// Seek origins.
constexpr int soFromBeginning = 0;
constexpr int soFromCurrent = 1;
constexpr int soFromEnd = 2;

// Opens an existing file; negative on failure.
THandle FileOpen(const std::string& name, int mode);
// Creates the file, or empties an existing one, for reading and writing; negative on failure.
THandle FileCreate(const std::string& name);
// Returns the number of bytes moved, or -1 on failure.
int32_t FileRead(THandle handle, void* buffer, int32_t count);
int32_t FileWrite(THandle handle, const void* buffer, int32_t count);
// Returns the new position, or -1 on failure.
int64_t FileSeek(THandle handle, int64_t offset, int origin);
// Pushes what was written to the disk, so that a full disk shows before success is
// reported; false on failure.
bool FileFlush(THandle handle);
void FileClose(THandle handle);
// True when a file (not a directory) stands at name.
bool FileExists(const std::string& name);
// True when the file was deleted; fails on read-only and on held files.
bool DeleteFile(const std::string& name);
// The same deletion under the name the worker uses for its temporary files.
bool DeleteFileA(const std::string& name);

namespace detail {
// The unshared open behind FileOpen, FileCreate and TFileStream, reported to the seam
// as `call`. Returns a descriptor or -1.
int OpenUnshared(const std::string& name, int mode, IoCall call);
// Plain transfers and seeks on a descriptor, without asking the seam: whole counts
// unless the end of the file or an error comes first; -1 when nothing moved.
int32_t ReadAll(int fd, void* buffer, int32_t count);
int32_t WriteAll(int fd, const void* buffer, int32_t count);
int64_t SeekTo(int fd, int64_t offset, int origin);
}  // namespace detail

}  // namespace platform
