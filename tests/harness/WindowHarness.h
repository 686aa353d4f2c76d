#pragma once
// Helpers for the tests that drive the real main window (offscreen).

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

// A fresh main window, made the way the program makes it, with the conversion state
// and the busy flag back at their start values. Shown, so it takes input.
void MakeMainWindow();
void DestroyMainWindow();

std::vector<std::string> LogLines();

// Spins the event loop until no conversion runs (Busy 0 and no worker); false on time-out.
bool WaitUntilIdle(int timeoutMs = 20000);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Changes the process's current directory for the scope (the temporary files of a
// conversion are made there).
class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::string& dir);
  ~ScopedCurrentDir();
  ScopedCurrentDir(const ScopedCurrentDir&) = delete;
  ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

 private:
  std::string previous_;
};
