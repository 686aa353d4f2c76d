#include "tests/harness/WindowHarness.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QTest>
#include <climits>
#include <fstream>
#include <iterator>

#include "app/Unit1.h"
#include "channel/ConversionState.h"
#include "convert/Unit2.h"
#include "platform/TApplication.h"

void DestroyMainWindow() {
  WaitUntilIdle();
  delete Form1;
  Form1 = nullptr;
  Conversion.CloseSource();
  Conversion.CloseTarget();
  Conversion.ReleasePayload();
  Conversion = ConversionState{};
  OpenDir.clear();
}

void MakeMainWindow() {
  DestroyMainWindow();
  platform::Application->Initialize();
  platform::Application->SetTitle("ZARVO vA1.xx to A2.xx DataBase Converter v1.0");
  platform::Application->CreateForm(&Form1);
  Form1->show();
  QCoreApplication::processEvents();
}

std::vector<std::string> LogLines() { return Form1->Memo1->Lines->All(); }

bool WaitUntilIdle(int timeoutMs) {
  return QTest::qWaitFor([] { return Busy == 0 && MYThread == nullptr; }, timeoutMs);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

ScopedCurrentDir::ScopedCurrentDir(const std::string& dir) {
  char buffer[PATH_MAX] = {};
  if (getcwd(buffer, sizeof buffer) != nullptr) previous_ = buffer;
  if (chdir(dir.c_str()) != 0) previous_.clear();
}

ScopedCurrentDir::~ScopedCurrentDir() {
  if (!previous_.empty() && chdir(previous_.c_str()) != 0) {
    // Nothing sensible to do in a destructor; the next test sets its own directory.
  }
}
