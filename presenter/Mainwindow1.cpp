#include "presenter/Mainwindow1.h"

#include "resources/StringIds.h"
#include "text/CommandLine.h"
#include "text/Exceptions.h"
#include "text/FileNames.h"
#include "text/TextFunctions.h"
#include "text/LocalClock.h"
#include "text/Numbers.h"
#include "ui/Screen.h"

TMainForm1* MainForm1 = nullptr;

namespace {
MinuteSource g_minuteSource = &CurrentMinute;
}  // namespace

void SetMinuteSource(MinuteSource source) { g_minuteSource = source != nullptr ? source : &CurrentMinute; }

TMainForm1::TMainForm1(TComponent* owner) : TForm(owner) {
  ReadLayout();
  Image1 = Find<TImage>("Image1");
  Image2 = Find<TImage>("Image2");
  Panel1 = Find<TPanel>("Panel1");
  Button1 = Find<TButton>("Button1");
  Timer1 = Find<TTimer>("Timer1");

  entryEdge_ = EntryEdgeForMinute(TextToInteger(g_minuteSource()));
  const ParkingPlace place = ParkingPlaceFor(entryEdge_, Screen->Width(), Screen->Height());
  SetTop(place.top);
  SetLeft(place.left);
}

template <class T>
T* TMainForm1::Find(const char* name) {
  T* component = dynamic_cast<T*>(FindComponent(name));
  if (component == nullptr) throw EResNotFound(ResFormat(IDS_COMPONENT_MISSING, {name}));
  return component;
}

TNotifyEvent TMainForm1::FindHandler(const std::string& name) {
  if (name == "FormCreate") return [this](TComponent* sender) { FormCreate(sender); };
  if (name == "Timer1Timer") return [this](TComponent* sender) { Timer1Timer(sender); };
  if (name == "Button1Click") return [this](TComponent* sender) { Button1Click(sender); };
  return TForm::FindHandler(name);
}

void TMainForm1::FormCreate(TComponent*) {
  const int count = ArgumentCount();
  if (count <= 0) return;  // the information prompt arrives with the message boxes
  // Arguments split at blanks are joined again; the path ends in one blank.
  for (int i = 1; i <= count; ++i) picturePath_ += ArgumentText(i) + " ";
  // The lookup disregards the trailing blank.
  if (!IsExistingFile(picturePath_)) return;
  pictureExtension_ = FileExtensionOf(picturePath_);
  if (CompareTextIgnoringCase(pictureExtension_, ".BMP ") != 0 &&
      CompareTextIgnoringCase(pictureExtension_, ".JPG ") != 0 &&
      CompareTextIgnoringCase(pictureExtension_, ".JPEG ") != 0) {
    return;
  }
  Image2->Picture().LoadFile(SubText(picturePath_, 1, static_cast<int>(picturePath_.size()) - 1));
}

void TMainForm1::Timer1Timer(TComponent*) {}

void TMainForm1::Button1Click(TComponent*) {}
