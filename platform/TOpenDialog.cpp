#include "platform/TOpenDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>
#include <optional>

#include "platform/TApplication.h"
#include "platform/TestSeam.h"

namespace platform {

namespace {

// Every upper/lower-case spelling of a pattern's letters ("*.ZCN" gives eight).
QStringList EveryLetterCase(const QString& pattern) {
  QStringList spellings{QString()};
  for (const QChar c : pattern) {
    QStringList next;
    const QChar lower = c.toLower(), upper = c.toUpper();
    for (const QString& start : spellings) {
      next << start + upper;
      if (lower != upper) next << start + lower;
    }
    spellings = next;
  }
  return spellings;
}

QStringList QtFilterList(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList list;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      patterns << EveryLetterCase(pattern.trimmed());
    }
    list << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(' '));
  }
  return list;
}

}  // namespace

TOpenDialog::TOpenDialog(QObject* parent) : QObject(parent) {}

std::string TOpenDialog::QtFilter(const std::string& filter) {
  return QtFilterList(filter).join(QStringLiteral(";;")).toStdString();
}

bool TOpenDialog::Execute() {
  const QStringList filters = QtFilterList(filter_);
  TestSeam* seam = InstalledTestSeam();
  std::optional<std::string> chosen;
  if (seam != nullptr && seam->AnswerOpenDialog({QtFilter(filter_), initialDir_}, chosen)) {
    if (!chosen) return false;
    fileName_ = *chosen;
    return true;
  }

  QFileDialog dialog(Application->MainForm());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(filters);
  if (filterIndex_ >= 1 && filterIndex_ <= filters.size()) {
    dialog.selectNameFilter(filters[filterIndex_ - 1]);
  }
  if (!initialDir_.empty()) dialog.setDirectory(QString::fromStdString(initialDir_));
  if (!fileName_.empty()) dialog.selectFile(QString::fromStdString(fileName_));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  fileName_ = QDir::cleanPath(dialog.selectedFiles().first()).toStdString();
  return true;
}

}  // namespace platform
