#pragma once
// The main window and the process-wide state that its commands share.

#include <cstdint>
#include <string>

#include "platform/TForm.h"
#include "platform/TOpenDialog.h"
#include "platform/TsuiBuiltInFileTheme.h"
#include "platform/TsuiButton.h"
#include "platform/TsuiEdit.h"
#include "platform/TsuiForm.h"
#include "platform/TsuiGroupBox.h"
#include "platform/TsuiImagePanel.h"
#include "platform/TsuiMemo.h"
#include "platform/TsuiMessageDialog.h"
#include "platform/TsuiPanel.h"
#include "platform/TsuiURLLabel.h"

// The window holds its controls only: every other value lives in the process-wide
// variables below, shared by the handlers and the worker.
class TForm1 : public platform::TForm {
  Q_OBJECT
 public:
  TForm1();

  platform::TsuiForm* suiForm1;
  platform::TsuiBuiltInFileTheme* suiBuiltInFileTheme1;
  platform::TOpenDialog* OpenDialog1;
  platform::TsuiImagePanel* suiImagePanel1;
  platform::TsuiPanel* Panel1;
  platform::TsuiEdit* Edit1;
  platform::TsuiButton* Open;
  platform::TsuiButton* Convert;
  platform::TsuiGroupBox* GroupBox1;
  platform::TsuiMemo* Memo1;
  platform::TsuiURLLabel* suiURLLabel1;
  platform::TsuiMessageDialog* suiMessageDialog1;

  void suiImagePanel1Click(QObject* Sender);
  void OpenClick(QObject* Sender);    // the Open command: checks a source file
  void FormCreate(QObject* Sender);
  void ConvertClick(QObject* Sender);  // the Convert command: starts the worker
  void EndMYThread(QObject* Sender);   // the worker has finished
};

extern TForm1* Form1;

// 1 while a conversion runs, 0 otherwise. Written only on the UI thread.
extern int32_t Busy;
int32_t GetBusy();

// The directory the Open dialog starts in.
extern std::string OpenDir;

// The maker's website, opened by the banner and the credit link.
extern const char* const kWebsiteAddress;
extern const char* const kWebsiteHost;
