// The main window as the program builds it: its state right after start, its design
// (places, hints, tab order, fixed size), the website links and the busy gate of both
// commands.

#include <unistd.h>

#include <QTest>
#include <QToolButton>
#include <climits>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "convert/Unit2.h"
#include "platform/Boxes.h"
#include "platform/TApplication.h"
#include "tests/harness/ScriptedSeam.h"
#include "tests/harness/WindowHarness.h"

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QStringList LogText() {
  QStringList list;
  for (const std::string& line : LogLines()) list << Q(line);
  return list;
}

QWidget* Control(const char* name) {
  if (qstrcmp(name, "Form1") == 0) return Form1;
  return Form1->findChild<QWidget*>(name);
}

// The hint shown over a control: its own, or else that of the nearest enclosing control
// that has one, as Qt passes an unanswered tooltip request on to the parent.
QString ShownHint(const QWidget* control) {
  for (; control != nullptr; control = control->parentWidget()) {
    if (!control->toolTip().isEmpty()) return control->toolTip();
  }
  return {};
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    seam_.ClearBoxes();
    MakeMainWindow();
  }
  void cleanup() { Busy = 0; }
  void cleanupTestCase() { DestroyMainWindow(); }

  void startState();
  void hints_data();
  void hints();
  void tabOrder();
  void geometry_data();
  void geometry();
  void fixedSizeAndReadOnlyFields();
  void panelFolds();
  void websiteLinks_data();
  void websiteLinks();
  void busyGate_data();
  void busyGate();

 private:
  ScriptedSeam seam_;
};

void MainWindowTest::startState() {
  QCOMPARE(LogText(), QStringList{"Please Select A ZARVO Channel File."});
  QVERIFY(!Form1->Convert->isEnabled());
  QCOMPARE(Q(Form1->Edit1->Text()), QStringLiteral("Open a ZARVO Channel File"));
  char cwd[PATH_MAX] = {};
  QVERIFY(getcwd(cwd, sizeof cwd) != nullptr);
  QCOMPARE(Q(OpenDir), QString::fromLocal8Bit(cwd));
  QCOMPARE(Busy, 0);

  // The skinned frame shows the caption; the window system (the taskbar) shows the
  // application's title, which reads "vA1.xx".
  QCOMPARE(Form1->suiForm1->Caption(),
           QStringLiteral("ZARVO A1.xx to A2.xx DataBase Converter v1.0"));
  QCOMPARE(Q(platform::Application->Title()),
           QStringLiteral("ZARVO vA1.xx to A2.xx DataBase Converter v1.0"));
  QCOMPARE(Form1->windowTitle(), QStringLiteral("ZARVO vA1.xx to A2.xx DataBase Converter v1.0"));
}

void MainWindowTest::hints_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("hint");
  const QString panel = "Open an A1.xx channel file";
  const QString website = "Go To : www.zarvo.example";
  QTest::newRow("Edit1, from its panel") << "Edit1" << panel;
  QTest::newRow("Open, from its panel") << "Open" << panel;
  QTest::newRow("Panel1") << "Panel1" << panel;
  QTest::newRow("Convert") << "Convert"
                           << "Begin Conversion";
  QTest::newRow("GroupBox1") << "GroupBox1"
                             << "Status";
  QTest::newRow("Memo1") << "Memo1"
                         << "Status";
  QTest::newRow("banner") << "suiImagePanel1" << website;
  QTest::newRow("credit link") << "suiURLLabel1" << website;
}

void MainWindowTest::hints() {
  QFETCH(QString, control);
  QFETCH(QString, hint);
  QWidget* widget = Control(qPrintable(control));
  QVERIFY(widget != nullptr);
  QCOMPARE(ShownHint(widget), hint);
}

void MainWindowTest::tabOrder() {
  // The controls that Tab stops at, in the order it visits them from Edit1.
  QStringList chain;
  QWidget* widget = Form1->Edit1;
  for (int steps = 0; steps < 100 && chain.size() < 4; ++steps) {
    if (widget->focusPolicy() & Qt::TabFocus) chain << widget->objectName();
    widget = widget->nextInFocusChain();
  }
  QCOMPARE(chain, (QStringList{"Edit1", "Open", "Convert", "Memo1"}));
}

void MainWindowTest::geometry_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("parent");
  QTest::addColumn<QRect>("place");
  QTest::newRow("suiForm1") << "suiForm1"
                            << "Form1" << QRect(0, 0, 474, 512);
  QTest::newRow("suiImagePanel1") << "suiImagePanel1"
                                  << "suiForm1" << QRect(0, 48, 473, 57);
  QTest::newRow("Panel1") << "Panel1"
                          << "suiForm1" << QRect(0, 112, 473, 81);
  QTest::newRow("Edit1") << "Edit1"
                         << "Panel1" << QRect(8, 42, 329, 20);
  QTest::newRow("Open") << "Open"
                        << "Panel1" << QRect(344, 32, 120, 40);
  QTest::newRow("Convert") << "Convert"
                           << "suiForm1" << QRect(177, 224, 120, 40);
  QTest::newRow("GroupBox1") << "GroupBox1"
                             << "suiForm1" << QRect(0, 288, 473, 169);
  QTest::newRow("Memo1") << "Memo1"
                         << "GroupBox1" << QRect(8, 16, 457, 145);
  QTest::newRow("suiURLLabel1") << "suiURLLabel1"
                                << "suiForm1" << QRect(80, 464, 294, 37);
}

void MainWindowTest::geometry() {
  QFETCH(QString, control);
  QFETCH(QString, parent);
  QFETCH(QRect, place);
  QWidget* widget = Control(qPrintable(control));
  QVERIFY(widget != nullptr);
  QCOMPARE(widget->parentWidget(), Control(qPrintable(parent)));
  QCOMPARE(widget->geometry(), place);
  QVERIFY(widget->isVisible());
}

void MainWindowTest::fixedSizeAndReadOnlyFields() {
  QCOMPARE(Form1->size(), QSize(474, 512));
  QCOMPARE(Form1->minimumSize(), QSize(474, 512));
  QCOMPARE(Form1->maximumSize(), QSize(474, 512));

  QVERIFY(Form1->Memo1->isReadOnly());
  QCOMPARE(Form1->Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(Form1->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

  // Typing into either field changes nothing.
  const QString log = Form1->Memo1->toPlainText();
  QTest::keyClicks(Form1->Memo1, "typed");
  QCOMPARE(Form1->Memo1->toPlainText(), log);
  QTest::keyClicks(Form1->Edit1, "typed");
  QCOMPARE(Q(Form1->Edit1->Text()), QStringLiteral("Open a ZARVO Channel File"));
}

void MainWindowTest::panelFolds() {
  QToolButton* fold = Form1->Panel1->FoldButton();
  QVERIFY(fold->isVisible());

  QTest::mouseClick(fold, Qt::LeftButton);
  QCOMPARE(Form1->Panel1->height(), platform::TsuiPanel::kCaptionHeight);
  QVERIFY(!Form1->Edit1->isVisible());
  QVERIFY(!Form1->Open->isVisible());
  QVERIFY(fold->isVisible());

  QTest::mouseClick(fold, Qt::LeftButton);
  QCOMPARE(Form1->Panel1->geometry(), QRect(0, 112, 473, 81));
  QVERIFY(Form1->Edit1->isVisible());
  QVERIFY(Form1->Open->isVisible());
}

void MainWindowTest::websiteLinks_data() {
  QTest::addColumn<QString>("control");
  QTest::newRow("banner") << "suiImagePanel1";
  QTest::newRow("credit link") << "suiURLLabel1";
}

void MainWindowTest::websiteLinks() {
  QFETCH(QString, control);
  const size_t before = seam_.ShellOpens().size();
  QTest::mouseClick(Control(qPrintable(control)), Qt::LeftButton);
  const std::vector<std::string> opens = seam_.ShellOpens();
  QCOMPARE(opens.size(), before + 1);
  QCOMPARE(Q(opens.back()), QStringLiteral("https://www.zarvo.example/"));
  QVERIFY(seam_.Boxes().empty());
  QCOMPARE(LogText(), QStringList{"Please Select A ZARVO Channel File."});
}

void MainWindowTest::busyGate_data() {
  QTest::addColumn<bool>("open");
  QTest::addColumn<QString>("text");
  QTest::newRow("Open") << true << "W[1] : Application Busy.";
  QTest::newRow("Convert") << false << "W[2] : Application Busy.";
}

void MainWindowTest::busyGate() {
  QFETCH(bool, open);
  QFETCH(QString, text);
  Busy = 1;
  const size_t requestsBefore = seam_.OpenRequests().size();

  if (open) {
    QTest::mouseClick(Form1->Open, Qt::LeftButton);
  } else {
    Form1->ConvertClick(nullptr);
  }

  const std::vector<ScriptedSeam::Box> boxes = seam_.Boxes();
  QCOMPARE(boxes.size(), size_t{1});
  QCOMPARE(Q(boxes[0].text), text);
  QCOMPARE(Q(boxes[0].caption), QStringLiteral("Warning"));
  QCOMPARE(boxes[0].flags, platform::MB_OK);
  QCOMPARE(seam_.OpenRequests().size(), requestsBefore);
  QCOMPARE(LogText(), QStringList{"Please Select A ZARVO Channel File."});
  QVERIFY(MYThread == nullptr);
  QCOMPARE(Busy, 1);
  QVERIFY(!Form1->Convert->isEnabled());
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
