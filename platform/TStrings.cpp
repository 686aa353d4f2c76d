#include "platform/TStrings.h"

#include <QPlainTextEdit>
#include <QScrollBar>

#include "platform/UiThread.h"

namespace platform {

TStrings::TStrings(QPlainTextEdit* view) : view_(view) {}

void TStrings::Add(const std::string& line) {
  RunOnUiThread([&] {
    lines_.push_back(line);
    if (lines_.size() == 1) {
      view_->setPlainText(QString::fromStdString(line));
    } else {
      view_->appendPlainText(QString::fromStdString(line));
    }
    view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum());
  });
}

void TStrings::Delete(int index) {
  RunOnUiThread([&] {
    if (index < 0 || index >= static_cast<int>(lines_.size())) return;
    lines_.erase(lines_.begin() + index);
    Show();
  });
}

int TStrings::Count() const {
  int count = 0;
  RunOnUiThread([&] { count = static_cast<int>(lines_.size()); });
  return count;
}

std::string TStrings::Strings(int index) const {
  std::string line;
  RunOnUiThread([&] {
    if (index >= 0 && index < static_cast<int>(lines_.size())) line = lines_[index];
  });
  return line;
}

std::vector<std::string> TStrings::All() const {
  std::vector<std::string> all;
  RunOnUiThread([&] { all = lines_; });
  return all;
}

void TStrings::Show() {
  QStringList text;
  for (const std::string& line : lines_) text << QString::fromStdString(line);
  view_->setPlainText(text.join('\n'));
}

}  // namespace platform
