// The Open dialog: its filter must find channel files whatever the letter case of their
// extension, and Execute reports the confirmed path or a cancel.

#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <fstream>
#include <set>
#include <string>

#include "platform/TOpenDialog.h"
#include "tests/harness/ScriptedSeam.h"

using platform::TOpenDialog;

namespace {

constexpr const char* kChannelFilter = "ZARVO Channel Files (*.zcn)|*.ZCN";

// The patterns of a one-entry Qt filter, "<description> (<pattern> <pattern> ...)".
QStringList Patterns(const std::string& qtFilter) {
  const QString filter = QString::fromStdString(qtFilter);
  const qsizetype open = filter.lastIndexOf('(');
  if (open < 0 || !filter.endsWith(')')) return {};
  return filter.mid(open + 1, filter.size() - open - 2).split(' ', Qt::SkipEmptyParts);
}

TEST(OpenDialogTest, FilterSpellsThePatternInEveryLetterCase) {
  const std::string filter = TOpenDialog::QtFilter(kChannelFilter);
  EXPECT_EQ(filter.rfind("ZARVO Channel Files (*.zcn) (", 0), 0u) << filter;

  const QStringList patterns = Patterns(filter);
  const std::set<QString> spellings(patterns.begin(), patterns.end());
  const std::set<QString> expected{"*.ZCN", "*.ZCn", "*.ZcN", "*.Zcn",
                                   "*.zCN", "*.zCn", "*.zcN", "*.zcn"};
  EXPECT_EQ(spellings, expected);
  EXPECT_EQ(patterns.size(), 8) << "no spelling twice";

  // Matched the way a case-sensitive file list matches them.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"a.zcn", "b.ZCN", "c.Zcn", "d.zCn", "e.txt", "f.zcnx", "zcn"}) {
    std::ofstream(dir.filePath(name).toStdString()) << "x";
  }
  const QStringList found =
      QDir(dir.path()).entryList(patterns, QDir::Files | QDir::CaseSensitive, QDir::Name);
  EXPECT_EQ(found, QStringList({"a.zcn", "b.ZCN", "c.Zcn", "d.zCn"}));
}

TEST(OpenDialogTest, ExecuteReturnsTheConfirmedPathOrFalseOnCancel) {
  ScriptedSeam seam;
  seam.QueueOpenAnswer(std::string("/srv/channels/not-there-yet.ZCN"));
  seam.QueueOpenAnswer(std::nullopt);

  TOpenDialog dialog(nullptr);
  dialog.SetFilter(kChannelFilter);
  dialog.SetFilterIndex(1);
  dialog.SetFileName("");
  dialog.SetInitialDir("/srv/channels/");
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName(), "/srv/channels/not-there-yet.ZCN");
  EXPECT_FALSE(dialog.Execute());

  const auto requests = seam.OpenRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].filter, TOpenDialog::QtFilter(kChannelFilter));
  EXPECT_EQ(requests[0].initialDir, "/srv/channels/");
}

}  // namespace
