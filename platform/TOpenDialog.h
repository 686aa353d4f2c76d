#pragma once
// The file-open dialog. Filter takes the "description|pattern|..." form; with no options
// set a typed name that does not exist is confirmed as well.

#include <QObject>
#include <string>

namespace platform {

class TOpenDialog : public QObject {
  Q_OBJECT
 public:
  explicit TOpenDialog(QObject* parent);

  void SetOptions(int options) { options_ = options; }
  void SetFilter(const std::string& filter) { filter_ = filter; }
  void SetFilterIndex(int index) { filterIndex_ = index; }
  void SetFileName(const std::string& name) { fileName_ = name; }
  void SetInitialDir(const std::string& dir) { initialDir_ = dir; }

  int Options() const { return options_; }
  const std::string& FileName() const { return fileName_; }

  // True when a name was confirmed; FileName is then its full path.
  bool Execute();

  // The filter in Qt's form. Where letter case counts in file names, each pattern is
  // spelt in every letter case, so "*.ZCN" still finds list.zcn.
  static std::string QtFilter(const std::string& filter);

 private:
  int options_ = 0;
  std::string filter_;
  int filterIndex_ = 1;
  std::string fileName_;
  std::string initialDir_;
};

}  // namespace platform
