#include "app/Unit1.h"

#include <unistd.h>

#include <QApplication>
#include <QToolButton>

#include "app/VersionInfo.h"
#include "channel/ConversionState.h"
#include "platform/Shell.h"
#include "platform/SkinLook.h"

using namespace platform;

TForm1* Form1 = nullptr;
int32_t Busy = 0;

// The module's texts, built in this order when the program starts: OpenDir first, then
// the conversion's source path, source extension and target path.
std::string OpenDir;
ConversionState Conversion;

const char* const kWebsiteAddress = "https://www.zarvo.example/";
const char* const kWebsiteHost = "www.zarvo.example";

int32_t GetBusy() { return Busy; }

namespace {

constexpr const char* kCaption = "ZARVO A1.xx to A2.xx DataBase Converter v1.0";
constexpr uint32_t kFormColor = 15849933;     // CD D9 F1
constexpr uint32_t kCaptionColor = 10642496;  // 40 64 A2
constexpr uint32_t kBorderColor = 11170131;   // 53 71 AA

QFont DialogFont() { return SkinFont("MS Sans Serif", 11, true); }

void PlaceChild(QWidget* control, int left, int top, int width, int height) {
  control->setGeometry(left, top, width, height);
}

// The window design: every control with its place, texts, hints, fonts and colours.
void BuildWindow(TForm1& form) {
  form.setObjectName("Form1");
  form.setFont(DialogFont());
  form.setPalette(QPalette(TColorToQColor(clBtnFace)));
  form.setWindowIcon(version_info::MainIcon());

  form.suiBuiltInFileTheme1 = new TsuiBuiltInFileTheme(&form);

  form.suiForm1 = new TsuiForm(&form, form.suiBuiltInFileTheme1);
  form.suiForm1->setObjectName("suiForm1");
  PlaceChild(form.suiForm1, 0, 0, 474, 512);
  form.suiForm1->SetCaption(kCaption);
  form.suiForm1->setToolTip(kCaption);
  form.suiForm1->SetColor(kFormColor);
  form.suiForm1->SetCaptionFont(SkinFont("Tahoma", 11, true), kCaptionColor);
  form.suiForm1->SetIcon(version_info::MainIcon());

  form.OpenDialog1 = new TOpenDialog(&form);

  const QString goTo = QStringLiteral("Go To : %1").arg(kWebsiteHost);
  form.suiImagePanel1 = new TsuiImagePanel(form.suiForm1);
  form.suiImagePanel1->setObjectName("suiImagePanel1");
  PlaceChild(form.suiImagePanel1, 0, 48, 473, 57);
  form.suiImagePanel1->SetPicture(form.suiBuiltInFileTheme1, "banner");
  form.suiImagePanel1->setToolTip(goTo);
  form.suiImagePanel1->OnClick = [&form](QObject* sender) { form.suiImagePanel1Click(sender); };

  form.Panel1 = new TsuiPanel(form.suiForm1);
  form.Panel1->setObjectName("Panel1");
  PlaceChild(form.Panel1, 0, 112, 473, 81);
  form.Panel1->SetCaption("Panel1");
  form.Panel1->setToolTip("Open an A1.xx channel file");
  form.Panel1->SetColor(clWhite);
  form.Panel1->SetBorderColor(kBorderColor);
  form.Panel1->SetCaptionColor(kCaptionColor);

  form.Edit1 = new TsuiEdit(form.Panel1);
  form.Edit1->setObjectName("Edit1");
  PlaceChild(form.Edit1, 8, 42, 329, 20);
  form.Edit1->setReadOnly(true);
  form.Edit1->setFont(DialogFont());

  form.Open = new TsuiButton(form.Panel1);
  form.Open->setObjectName("Open");
  PlaceChild(form.Open, 344, 32, 120, 40);
  form.Open->setText("Open");
  form.Open->SetFileTheme(form.suiBuiltInFileTheme1);
  form.Open->SetGlyph("glyph-open", QSize(28, 28));
  form.Open->SetSpacing(20);
  form.Open->SetFontColor(TColorToQColor(kCaptionColor));
  form.Open->OnClick = [&form](QObject* sender) { form.OpenClick(sender); };

  form.Convert = new TsuiButton(form.suiForm1);
  form.Convert->setObjectName("Convert");
  PlaceChild(form.Convert, 177, 224, 120, 40);
  form.Convert->setText("Convert");
  form.Convert->setToolTip("Begin Conversion");
  form.Convert->setEnabled(false);
  form.Convert->SetFileTheme(form.suiBuiltInFileTheme1);
  form.Convert->SetGlyph("glyph-convert", QSize(56, 28));
  form.Convert->SetSpacing(20);
  form.Convert->SetFontColor(TColorToQColor(kCaptionColor));
  form.Convert->OnClick = [&form](QObject* sender) { form.ConvertClick(sender); };

  form.GroupBox1 = new TsuiGroupBox(form.suiForm1);
  form.GroupBox1->setObjectName("GroupBox1");
  PlaceChild(form.GroupBox1, 0, 288, 473, 169);
  form.GroupBox1->setTitle("Status Window");
  form.GroupBox1->setToolTip("Status");
  form.GroupBox1->setFont(DialogFont());
  form.GroupBox1->SetLook(kBorderColor, kCaptionColor);

  form.Memo1 = new TsuiMemo(form.GroupBox1);
  form.Memo1->setObjectName("Memo1");
  PlaceChild(form.Memo1, 8, 16, 457, 145);
  form.Memo1->setToolTip("Status");
  form.Memo1->setFont(DialogFont());
  form.Memo1->SetBorderColor(kBorderColor);
  form.Memo1->Lines->Add("");

  form.suiURLLabel1 = new TsuiURLLabel(form.suiForm1);
  form.suiURLLabel1->setObjectName("suiURLLabel1");
  PlaceChild(form.suiURLLabel1, 80, 464, 294, 37);
  form.suiURLLabel1->setText("by ZARVO");
  form.suiURLLabel1->setAlignment(Qt::AlignCenter);
  form.suiURLLabel1->setToolTip(goTo);
  form.suiURLLabel1->SetURL(kWebsiteAddress);
  QFont linkFont = SkinFont("MS Sans Serif", 32, true);
  linkFont.setUnderline(true);
  form.suiURLLabel1->setFont(linkFont);

  form.suiMessageDialog1 = new TsuiMessageDialog(&form);

  // Tab order: banner, source panel (field, then Open), Convert, status frame (log).
  QWidget::setTabOrder(form.Edit1, form.Open);
  QWidget::setTabOrder(form.Open, form.Convert);
  QWidget::setTabOrder(form.Convert, form.Memo1);

  // A close asked for during a conversion waits until the run has ended, so the
  // window is never destroyed under the worker.
  form.OnCloseQuery = [] { return Busy == 0; };
  form.OnCreate = [&form](QObject* sender) { form.FormCreate(sender); };
  form.SetFixedClientSize(474, 512);
}

}  // namespace

TForm1::TForm1() { BuildWindow(*this); }

void TForm1::FormCreate(QObject*) {
  Memo1->Lines->Delete(0);
  Form1->Memo1->Lines->Add("Please Select A ZARVO Channel File.");
  Convert->SetEnabled(false);
  Edit1->SetText("Open a ZARVO Channel File");
  // A directory too long for the query leaves no text: the dialog then starts in its
  // own default place.
  char buf[200] = {};
  if (getcwd(buf, 199) == nullptr) buf[0] = '\0';
  OpenDir = buf;
  Busy = 0;
}

void TForm1::suiImagePanel1Click(QObject*) {
  ShellExecute(this, "open", kWebsiteAddress, nullptr, nullptr, SW_SHOWNORMAL);
}
