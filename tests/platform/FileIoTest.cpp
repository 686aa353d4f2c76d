// The file functions and streams as the Open command, the target assembly and the
// compression step rely on them: opens are unshared (within the process and across
// processes), a create never empties a file someone holds, read-only files stay as they
// are, positions are 64-bit, and transfers fall short or fail exactly as the seam says.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/FileIo.h"
#include "platform/TFileStream.h"
#include "platform/TMemoryStream.h"
#include "tests/harness/ScriptedSeam.h"

using namespace platform;

namespace {

constexpr int64_t kGiB = int64_t{1} << 30;

// Something that holds a file open until it goes.
class Held {
 public:
  virtual ~Held() = default;
};

class HeldHandle : public Held {
 public:
  explicit HeldHandle(THandle handle) : handle_(handle) {}
  ~HeldHandle() override { FileClose(handle_); }

 private:
  THandle handle_;
};

class HeldStream : public Held {
 public:
  HeldStream(const std::string& path, int mode) : stream_(path, mode) {}

 private:
  TFileStream stream_;
};

std::unique_ptr<Held> HoldHandle(THandle handle) {
  return handle < 0 ? nullptr : std::make_unique<HeldHandle>(handle);
}

std::unique_ptr<Held> HoldStream(const std::string& path, int mode) {
  try {
    return std::make_unique<HeldStream>(path, mode);
  } catch (const EStreamError&) {
    return nullptr;
  }
}

// The ways the program opens a file; each is unshared. open returns null on failure.
struct Opener {
  const char* name;
  std::unique_ptr<Held> (*open)(const std::string& path);
};

const Opener kOpeners[] = {
    {"FileOpen", [](const std::string& p) { return HoldHandle(FileOpen(p, fmOpenReadWrite)); }},
    {"FileCreate", [](const std::string& p) { return HoldHandle(FileCreate(p)); }},
    {"TFileStream(fmOpenReadWrite)",
     [](const std::string& p) { return HoldStream(p, fmOpenReadWrite); }},
    {"TFileStream(fmCreate)", [](const std::string& p) { return HoldStream(p, fmCreate); }},
};

class FileIoTest : public ::testing::Test {
 protected:
  FileIoTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zcn-platform-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no scratch directory");
    dir_ = pattern;
  }
  ~FileIoTest() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::string dir_;
};

TEST_F(FileIoTest, HeldFileRefusesEveryOtherOpenAndCreateLeavesItsBytes) {
  const std::string path = Path("SAT.ZCN");
  for (const Opener& first : kOpeners) {
    for (const Opener& second : kOpeners) {
      SCOPED_TRACE(std::string(first.name) + " holds, " + second.name + " tries");
      Put(path, "0123456789");
      std::unique_ptr<Held> held = first.open(path);
      ASSERT_TRUE(held);
      // What the holder has written by now; locks are advisory, so a plain write does.
      Put(path, "written by the holder");
      EXPECT_FALSE(second.open(path));
      EXPECT_EQ(Bytes(path), "written by the holder");
      held.reset();
      EXPECT_TRUE(second.open(path)) << "the file stayed locked after its holder closed it";
    }
  }
}

TEST_F(FileIoTest, HeldFileRefusesOpensFromAnotherProcess) {
  const std::string path = Path("SAT.ZCN");
  // Exit status of a child that tries FileOpen (bit 0) and FileCreate (bit 1).
  const auto childOpens = [&path] {
    const pid_t child = ::fork();
    if (child == 0) {
      int opened = 0;
      const THandle h = FileOpen(path, fmOpenReadWrite);
      if (h >= 0) opened |= 1;
      FileClose(h);
      const THandle c = FileCreate(path);
      if (c >= 0) opened |= 2;
      FileClose(c);
      ::_exit(opened);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };

  for (const Opener& holder : kOpeners) {
    SCOPED_TRACE(holder.name);
    Put(path, "0123456789");
    std::unique_ptr<Held> held = holder.open(path);
    ASSERT_TRUE(held);
    Put(path, "written by the holder");
    EXPECT_EQ(childOpens(), 0);
    EXPECT_EQ(Bytes(path), "written by the holder");
    held.reset();
    EXPECT_EQ(childOpens(), 3);
  }
}

TEST_F(FileIoTest, ReadOnlyFileCannotBeWrittenCreatedOverOrDeleted) {
  const std::string path = Path("SAT.ZCN");
  Put(path, "0123456789");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  for (const Opener& opener : kOpeners) {
    SCOPED_TRACE(opener.name);
    EXPECT_FALSE(opener.open(path));
  }
  EXPECT_LT(FileOpen(path, fmOpenWrite), 0);
  EXPECT_FALSE(DeleteFile(path));
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(Bytes(path), "0123456789");
}

TEST_F(FileIoTest, DeleteFileRefusesHeldFilesAndDirectories) {
  const std::string path = Path("A2_xx_SAT.ZCN");
  for (const Opener& holder : kOpeners) {
    SCOPED_TRACE(holder.name);
    Put(path, "0123456789");
    std::unique_ptr<Held> held = holder.open(path);
    ASSERT_TRUE(held);
    EXPECT_FALSE(DeleteFile(path));
    EXPECT_TRUE(FileExists(path));
    held.reset();
    EXPECT_TRUE(DeleteFile(path));
    EXPECT_FALSE(FileExists(path));
  }

  EXPECT_FALSE(DeleteFile(path)) << "a file that is not there";

  const std::string dir = Path("channels.ZCN");
  ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
  EXPECT_FALSE(FileExists(dir));
  EXPECT_FALSE(DeleteFile(dir));
  EXPECT_LT(FileOpen(dir, fmOpenReadWrite), 0);
  EXPECT_LT(FileCreate(dir), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir));
}

// A pipe or a device named like a channel file is refused at once: the program is the
// pipe's only writer, so its first read would otherwise wait for good.
TEST_F(FileIoTest, PipesAndDevicesAreRefusedWithoutBlocking) {
  const std::string pipe = Path("pipe.ZCN");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
  const std::string device = Path("device.ZCN");
  std::filesystem::create_symlink("/dev/null", device);
  for (const std::string& path : {pipe, device}) {
    SCOPED_TRACE(path);
    for (const Opener& opener : kOpeners) {
      SCOPED_TRACE(opener.name);
      EXPECT_FALSE(opener.open(path));
    }
    EXPECT_LT(FileOpen(path, fmOpenRead), 0);
    EXPECT_LT(FileOpen(path, fmOpenWrite), 0);
  }
  EXPECT_EQ(std::filesystem::status(pipe).type(), std::filesystem::file_type::fifo);
}

TEST_F(FileIoTest, FileSeekReachesPositionsBeyondFourGiB) {
  const std::string path = Path("sparse.bin");
  const int fd = ::open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 5 * kGiB), 0);
  ::close(fd);

  const THandle h = FileOpen(path, fmOpenReadWrite);
  ASSERT_GE(h, 0);
  const int64_t far = 4 * kGiB + 17;
  EXPECT_EQ(FileSeek(h, 0, soFromEnd), 5 * kGiB);
  EXPECT_EQ(FileSeek(h, far, soFromBeginning), far);
  EXPECT_EQ(FileWrite(h, "Z", 1), 1);
  EXPECT_EQ(FileSeek(h, 0, soFromCurrent), far + 1);
  EXPECT_EQ(FileSeek(h, -kGiB, soFromEnd), 4 * kGiB);
  EXPECT_EQ(FileSeek(h, far, soFromBeginning), far);
  char c = 0;
  EXPECT_EQ(FileRead(h, &c, 1), 1);
  EXPECT_EQ(c, 'Z');
  EXPECT_EQ(FileSeek(h, -1, soFromBeginning), -1);
  FileClose(h);
  EXPECT_TRUE(DeleteFile(path));
}

TEST_F(FileIoTest, FileReadAndWriteMoveWhatTheSeamAllows) {
  const std::string data = "0123456789";
  struct Row {
    const char* name;
    IoCall call;
    IoVerdict verdict;
    int32_t asked;
    int32_t expected;
  };
  const Row rows[] = {
      {"write proceeds", IoCall::FileWrite, {}, 10, 10},
      {"write one byte short", IoCall::FileWrite, {IoVerdict::Short, 1}, 10, 9},
      {"write short by more than asked", IoCall::FileWrite, {IoVerdict::Short, 50}, 10, 0},
      {"write fails", IoCall::FileWrite, {IoVerdict::Fail, 0}, 10, -1},
      {"read proceeds", IoCall::FileRead, {}, 10, 10},
      {"read one byte short", IoCall::FileRead, {IoVerdict::Short, 1}, 10, 9},
      {"read fails", IoCall::FileRead, {IoVerdict::Fail, 0}, 10, -1},
      {"read past the end", IoCall::FileRead, {}, 16, 10},
  };
  const std::string path = Path("SAT.ZCN");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedSeam seam;
    seam.SetIoRule(
        [&row](IoCall call, int64_t, int) { return call == row.call ? row.verdict : IoVerdict{}; });
    const size_t moved = row.expected < 0 ? 0 : static_cast<size_t>(row.expected);
    if (row.call == IoCall::FileWrite) {
      const THandle h = FileCreate(path);
      ASSERT_GE(h, 0);
      EXPECT_EQ(FileWrite(h, data.data(), row.asked), row.expected);
      EXPECT_EQ(FileSeek(h, 0, soFromCurrent), static_cast<int64_t>(moved));
      FileClose(h);
      EXPECT_EQ(Bytes(path), data.substr(0, moved));
    } else {
      Put(path, data);
      const THandle h = FileOpen(path, fmOpenReadWrite);
      ASSERT_GE(h, 0);
      std::string buffer(16, '#');
      EXPECT_EQ(FileRead(h, buffer.data(), row.asked), row.expected);
      EXPECT_EQ(FileSeek(h, 0, soFromCurrent), static_cast<int64_t>(moved));
      FileClose(h);
      EXPECT_EQ(buffer, data.substr(0, moved) + std::string(16 - moved, '#'));
    }
  }
}

TEST_F(FileIoTest, WriteBufferRaisesUnlessEveryByteIsWritten) {
  const std::string path = Path("ser.tmp");
  const IoVerdict verdicts[] = {{IoVerdict::Short, 1}, {IoVerdict::Fail, 0}};
  for (const IoVerdict& verdict : verdicts) {
    SCOPED_TRACE(verdict.kind == IoVerdict::Short ? "one byte short" : "failed");
    ScriptedSeam seam;
    TFileStream stream(path, fmCreate);
    seam.SetIoRule([&verdict](IoCall call, int64_t, int) {
      return call == IoCall::StreamWrite ? verdict : IoVerdict{};
    });
    EXPECT_THROW(stream.WriteBuffer("01234567", 8), EWriteError);
  }

  TFileStream stream(path, fmCreate);
  stream.WriteBuffer("01234567", 8);
  EXPECT_EQ(stream.Size(), 8);
}

TEST_F(FileIoTest, StreamsReadZeroAtTheEndAndSizeKeepsThePosition) {
  const std::string path = Path("comp_ser.tmp");
  Put(path, "an older, longer file");
  TFileStream file(path, fmCreate);
  EXPECT_EQ(file.Size(), 0) << "fmCreate empties an existing file";
  TMemoryStream memory;
  TStream* const streams[] = {&file, &memory};
  for (TStream* stream : streams) {
    SCOPED_TRACE(stream == &file ? "TFileStream" : "TMemoryStream");
    ASSERT_EQ(stream->Write("0123456789", 10), 10);
    EXPECT_EQ(stream->Seek(3, soFromBeginning), 3);
    EXPECT_EQ(stream->Size(), 10);
    EXPECT_EQ(stream->Position(), 3);
    char buffer[16] = {};
    EXPECT_EQ(stream->Read(buffer, 16), 7);
    EXPECT_EQ(std::string(buffer, 7), "3456789");
    EXPECT_EQ(stream->Read(buffer, 16), 0);
    EXPECT_THROW(stream->ReadBuffer(buffer, 1), EReadError);
    EXPECT_EQ(stream->Seek(0, soFromBeginning), 0);
    EXPECT_EQ(stream->Read(buffer, 16), 10);
  }
}

TEST_F(FileIoTest, FileStreamRaisesWhenTheFileCannotBeHad) {
  EXPECT_THROW({ TFileStream stream(Path("missing.tmp"), fmOpenReadWrite); }, EFOpenError);
  EXPECT_THROW({ TFileStream stream(Path("no-such-dir/ser.tmp"), fmCreate); }, EFCreateError);
}

}  // namespace
