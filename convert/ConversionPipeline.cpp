#include "app/Unit1.h"
#include "channel/TargetAssembly.h"
#include "convert/Unit2.h"

void RunConversion() {
  Form1->Memo1->Lines->Add("Compressing the service file");
  if (!CompressServiceData()) return;
  Form1->Memo1->Lines->Add("Compression of the Service DataBase Finished");
  Form1->Memo1->Lines->Add("Creating the New A2.xx ZARVO Channel File");
  AssembleTargetFile();
}
