#pragma once
// The line list of a memo. Lines added for another thread are added on the UI thread,
// and each is in the memo when the call returns.

#include <string>
#include <vector>

class QPlainTextEdit;

namespace platform {

class TStrings {
 public:
  explicit TStrings(QPlainTextEdit* view);

  void Add(const std::string& line);  // appends at the end
  void Delete(int index);
  int Count() const;
  std::string Strings(int index) const;
  std::vector<std::string> All() const;

 private:
  void Show();
  QPlainTextEdit* view_;
  std::vector<std::string> lines_;
};

}  // namespace platform
