#include "presenter/Mainwindow1.h"

#include <algorithm>
#include <exception>
#include <new>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/core/Stream.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/Picture.h"
#include "picture/readers/PictureReaders.h"
#include "presenter/FolderPictures.h"
#include "presenter/InformationPage.h"
#include "presenter/OutputName.h"
#include "resources/StringIds.h"
#include "text/CommandLine.h"
#include "text/Exceptions.h"
#include "text/FileNames.h"
#include "text/LocalClock.h"
#include "text/Numbers.h"
#include "text/TextFunctions.h"
#include "text/Utf16.h"
#include "ui/MessageDialogs.h"
#include "ui/Screen.h"
#include "ui/Sound.h"

TMainForm1* MainForm1 = nullptr;

namespace {
MinuteSource g_minuteSource = &CurrentMinute;

// The path without its last character, the blank the joining left.
FilePath WithoutTrailingBlank(const FilePath& path) {
  const std::wstring& wide = path.Wide();
  return FilePath::FromWide(wide.empty() ? wide : wide.substr(0, wide.size() - 1));
}

// Raises why the image could not be drawn.
[[noreturn]] void RaiseDrawFailure(const TImage& image) {
  const std::exception_ptr failure = image.PaintFailure();
  if (failure == nullptr) throw Exception(ResText(IDS_BATCH_NOT_SHOWN));
  std::rethrow_exception(failure);
}

// Why the failure being handled happened, as a report that names the picture
// says it.
std::string CaughtFailureReason() {
  try {
    throw;
  } catch (const Exception& failure) {
    return failure.Reason();
  } catch (const std::bad_alloc&) {
    return ResText(IDS_OUT_OF_MEMORY);
  } catch (const std::exception& failure) {
    return failure.what();
  } catch (...) {
    return std::string();
  }
}
}  // namespace

void SetMinuteSource(MinuteSource source) { g_minuteSource = source != nullptr ? source : &CurrentMinute; }

TMainForm1::TMainForm1(TComponent* owner) : TForm(owner) {
  ReadLayout();
  Image1 = Find<TImage>("Image1");
  Image2 = Find<TImage>("Image2");
  Panel1 = Find<TPanel>("Panel1");
  Button1 = Find<TButton>("Button1");
  Timer1 = Find<TTimer>("Timer1");
  report_ = RunReport::For(batch_);
  caption_ = Caption();
  // Escape, the close box and Alt+F4 close the window; during a run of several
  // they stop it after the picture in hand instead.
  SetKeyPreview(true);
  OnKeyDown = [this](TComponent*, WORD& key, TShiftState shift) {
    if (key != VK_ESCAPE || shift != 0) return;
    key = 0;
    Close();
  };
  OnCloseQuery = [this](TComponent*, bool& canClose) { canClose = !StopsRunInstead(); };

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
  if (count <= 0) {
    AskAboutInformation();
    return;
  }
  loadedClient_ = {ClientWidth(), ClientHeight()};
  // Read from the wide command line, the names hold every character they have.
  // Arguments split at blanks are joined again.
  const std::vector<FilePath> arguments = ArgumentPaths();
  PictureRun run = PictureBatch::RunOf(arguments, &PicturesUnder);
  // A folder without pictures, dropped alone, is told in a box of its own.
  const bool emptyFolderAlone = run.pictures.size() == 1 && IsExistingFolder(run.pictures.front().file);
  batch_ = PictureBatch(std::move(run), PictureBatch::NamesFolder(arguments) && !emptyFolderAlone);
  report_ = RunReport::For(batch_);
  LoadNextPicture();
}

void TMainForm1::LoadPicture(const FilePath& path) {
  picture_ = path;
  picturePath_ = path.Text();
  pictureExtension_.clear();
  pictureProblem_ = PictureProblem::kNone;
  // The lookups disregard the trailing blank.
  if (IsExistingFolder(path)) {
    // No picture came from it: it holds none, or it could not be listed.
    pictureProblem_ = IsListableFolder(path) ? PictureProblem::kEmptyFolder : PictureProblem::kUnlistedFolder;
    return;
  }
  if (!IsExistingFile(path)) {
    pictureProblem_ = PictureProblem::kUnopened;
    return;
  }
  pictureExtension_ = FileExtensionOf(picturePath_);
  // What the file holds decides; the extension only when nothing recognises that.
  // Its first bytes are read once, for the choice and the reader alike.
  const FilePath file = WithoutTrailingBlank(path);
  const TPictureChoice choice = ChoosePictureReader(file);
  if (choice.notAPicture) {
    pictureProblem_ = PictureProblem::kNotAPicture;
    return;
  }
  // Nothing takes a file whose first bytes could not be read but its name.
  if (!choice.Readable()) {
    pictureProblem_ = PictureProblem::kUnopened;
    return;
  }
  Image2->Picture().LoadFile(file, choice);
  RefuseEmptyPicture(Image2->Picture());
  // Not painted before the first tick has laid it out and made it ready: a paint
  // at the layout's size would decode the picture for the wrong size.
  Image2->SetVisible(false);
}

void TMainForm1::AskAboutInformation() {
  DefaultBeep();
  ShowMessage("アイコン（実行ファイル）上に画像ファイルをドロップしてください。");
  if (MessageDlg("インフォメーションを参照しますか？", mtConfirmation, mbYes | mbNo, 0) != mrYes) return;
  OpenInformationPage(*this);
}

void TMainForm1::Timer1Timer(TComponent*) {
  if (ArgumentCount() <= 0) {
    // Before the loop runs this only hides the window; the first tick after it
    // ends the program.
    Close();
    return;
  }
  // A picture whose painting failed is told once, whichever tick finds it.
  if (Image2->DrawFailed()) {
    GiveUpAfterFailedDrawing();
    return;
  }
  if (Timer1->Tag() == 0) {
    const int pictureWidth = Image2->Picture().Width();
    const int pictureHeight = Image2->Picture().Height();
    if (pictureWidth <= 0 || pictureHeight <= 0) {
      GiveUpWithoutPicture();
      return;
    }
    // Laid out and made ready out of sight, so that the first thing the user sees
    // is the slide, and before the window first moves, so that no move waits.
    MoveOutOfSight();
    LayOut(pictureWidth, pictureHeight);
    if (!PreparePicture()) return;
    PlaceAtEntry();
    Timer1->SetTag(1);
  }
  ParkingPlace place{Left(), Top()};
  if (StepTowardsCentre(entryEdge_, place, Width(), Height(), Screen->Width(), Screen->Height())) {
    if (place.left != Left()) SetLeft(place.left);
    if (place.top != Top()) SetTop(place.top);
    return;
  }
  // On a wide screen the window may arrive in the very tick that laid it out,
  // before any paint: it is painted now, so that the screen shows what is saved
  // and a failing paint is told as a picture not shown.
  Repaint();
  if (Image2->DrawFailed()) {
    GiveUpAfterFailedDrawing();
    return;
  }
  Timer1->SetEnabled(false);
  SavePicture();
}

bool TMainForm1::PreparePicture() {
  // Decoding and resampling happen here, before the first move, so that no move
  // waits for them; every paint after this only copies pixels.
  try {
    Image2->PreparePicture();
  } catch (...) {
    NotShown();
    return false;
  }
  Image2->SetVisible(true);
  return true;
}

void TMainForm1::GiveUpAfterFailedDrawing() {
  // The window does not hold the picture, so nothing is saved.
  try {
    RaiseDrawFailure(*Image2);
  } catch (...) {
    NotShown();
  }
}

void TMainForm1::NotShown() {
  // What cannot be drawn is not saved. The timer stops first: the report's box
  // runs a message loop, and no tick may come back here while it is open.
  Timer1->SetEnabled(false);
  std::string reason = CaughtFailureReason();
  batch_.Failed(reason.empty() ? ResText(IDS_BATCH_NOT_SHOWN) : reason);
  report_->Failed(RunReport::Stage::kPrepare, *this);
  MoveOn();
}

void TMainForm1::LayOut(int pictureWidth, int pictureHeight) {
  const ClientSize wanted = ClientSizeForPicture(pictureWidth, pictureHeight, {ClientWidth(), ClientHeight()});
  // Landscape pictures set the height first, the others the width.
  if (pictureWidth > pictureHeight) {
    if (wanted.height != ClientHeight()) SetClientHeight(wanted.height);
    if (wanted.width != ClientWidth()) SetClientWidth(wanted.width);
  } else {
    if (wanted.width != ClientWidth()) SetClientWidth(wanted.width);
    if (wanted.height != ClientHeight()) SetClientHeight(wanted.height);
  }
  // Where the screen is too small for the square, the window system limits the
  // window in one direction: the window becomes the largest square it allows, so
  // that every output is square and the picture is fitted as usual.
  SetClientSize({std::min(ClientWidth(), ClientHeight()), std::min(ClientWidth(), ClientHeight())});
  // A window also has a least width (its caption's buttons): a tiny picture's
  // square then takes that side, the smallest square the window system allows.
  SetClientSize({std::max(ClientWidth(), ClientHeight()), std::max(ClientWidth(), ClientHeight())});
  // The fit uses whatever size the window system gave.
  const PictureBounds bounds = FitPicture(pictureWidth, pictureHeight, {ClientWidth(), ClientHeight()});
  Image2->SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
}

void TMainForm1::SetClientSize(ClientSize size) {
  if (ClientWidth() != size.width) SetClientWidth(size.width);
  if (ClientHeight() != size.height) SetClientHeight(size.height);
}

void TMainForm1::MoveOutOfSight() {
  const ParkingPlace away = OutOfSight();
  SetBounds(away.left, away.top, Width(), Height());
}

void TMainForm1::PlaceAtEntry() {
  const ParkingPlace start = StartPlaceFor(entryEdge_, Width(), Height(), Screen->Width(), Screen->Height());
  // In one move, so that the way in holds no place on the way to its start.
  SetBounds(start.left, start.top, Width(), Height());
}

void TMainForm1::GiveUpWithoutPicture() {
  // Only the running loop can be ended, and a box already telling the user what
  // went wrong (a failed load, an empty JPEG's decode error) is left to be read:
  // a later tick comes back here.
  if (!Application->Running() || Application->MainForm() != this || !WindowEnabled()) return;
  Timer1->SetEnabled(false);
  // Every picture has been tried; a picture that loaded without pixels (none
  // does) would count as a failure rather than stop the run.
  if (!batch_.Done()) batch_.Failed(ResText(IDS_INVALID_BITMAP));
  MoveOn();
}

Exception TMainForm1::Problem() const {
  const std::string givenName = SubText(picturePath_, 1, static_cast<int>(picturePath_.size()) - 1);
  switch (pictureProblem_) {
    case PictureProblem::kNotAPicture:
      return Exception(ResFormat(IDS_NOT_A_PICTURE, {WithoutTrailingBlank(picture_).FileName().Text()}),
                       ResText(IDS_NOT_A_PICTURE_REASON));
    case PictureProblem::kEmptyFolder:
      return Exception(ResFormat(IDS_FOLDER_WITHOUT_PICTURES, {givenName}),
                       ResText(IDS_FOLDER_WITHOUT_PICTURES_REASON));
    case PictureProblem::kUnlistedFolder:
      return Exception(ResFormat(IDS_FOLDER_CANNOT_LIST, {givenName}), ResText(IDS_FOLDER_CANNOT_LIST_REASON));
    default:  // cannot be opened
      return FileOpenError(WithoutTrailingBlank(picture_));
  }
}

FilePath TMainForm1::OutputName() const { return OutputNameFor(picture_); }

bool TMainForm1::LoadNextPicture() {
  while (!batch_.Done()) {
    try {
      LoadPicture(batch_.Current() + FilePath(" "));
      if (pictureProblem_ == PictureProblem::kNone) {
        ShowPosition();
        return true;
      }
      const Exception problem = Problem();
      report_->NotLoaded(problem.Message());
      batch_.Failed(problem.Reason());
    } catch (...) {
      batch_.Failed(CaughtFailureReason());
      report_->Failed(RunReport::Stage::kLoad, *this);
    }
  }
  return false;
}

void TMainForm1::SavePicture() {
  ClientSize saved{};
  std::string note;
  try {
    // No picture of the run overwrites another's output or a picture yet to be read.
    const FilePath output = batch_.OutputFor(OutputName());
    saved = SaveCapture(output);
    // What the screen showed, and so what was saved, holds the grey the decoder
    // put where the data ended.
    const TGraphic* shown = Image2->Picture().CurrentGraphic();
    const bool cut = shown != nullptr && shown->DataEndedEarly();
    if (cut) note = ResFormat(IDS_DATA_ENDED_EARLY, {batch_.ShownName(batch_.Current())});
    batch_.Saved(output, saved.width, saved.height, cut);
  } catch (...) {
    batch_.Failed(CaughtFailureReason());
    report_->Failed(RunReport::Stage::kSave, *this);
    MoveOn();
    return;
  }
  report_->Saved(saved, note);
  MoveOn();
}

void TMainForm1::MoveOn() {
  Timer1->SetEnabled(false);
  if (report_->ParksBetweenPictures()) ParkForNextPicture();
  if (stopAsked_) batch_.Stop();
  if (LoadNextPicture()) {
    Timer1->SetEnabled(true);
    return;
  }
  reporting_ = true;
  report_->Finished(batch_);
  Close();
}

bool TMainForm1::StopsRunInstead() {
  // A picture on its own closes as it always has, with nothing written; a
  // report being shown lets the program end.
  if (!batch_.Several() || batch_.Done() || reporting_) return false;
  // The picture in hand is finished first, saved or refused, so that no file
  // is left half-written; a close asked again changes nothing.
  stopAsked_ = true;
  return true;
}

void TMainForm1::ShowPosition() {
  if (!batch_.Several()) return;
  SetCaption(ResFormat(IDS_RUN_CAPTION, {caption_, batch_.Position(), batch_.Count()}));
}

void TMainForm1::ParkForNextPicture() {
  Image2->SetVisible(false);
  Image2->SetPicture(nullptr);
  // The next picture comes in from outside the edge again, in the window as it
  // was before any layout, resized out of sight. It waits there, not at the
  // edge's parking place: that lies 620 pixels out, and a window with its
  // caption is taller (far taller at 200 %), so its edge would show.
  MoveOutOfSight();
  SetClientSize(loadedClient_);
  Timer1->SetTag(0);
}

void TMainForm1::Button1Click(TComponent*) { TellSavedAlone(SaveCapture(OutputName())); }

ClientSize TMainForm1::SaveCapture(const FilePath& output) {
  const int clientWidth = ClientWidth();
  const int clientHeight = ClientHeight();
  {
    TJPEGImage jpeg;
    TBitmap bitmap;
    Image1->SetPicture(nullptr);
    Image1->SetAutoSize(false);
    Image1->SetWidth(clientWidth);
    Image1->SetHeight(clientHeight);
    // The window paints itself into the bitmap, as it paints on the screen: a
    // part beyond the screen's edge or under another window has no pixels there.
    TCanvas& capture = Image1->Canvas();
    capture.RequiredState(csHandleValid);
    PaintTo(capture.Handle());
    // A picture that could not be drawn is not saved as a black square.
    if (Image2->DrawFailed()) RaiseDrawFailure(*Image2);
    bitmap.CopyFrom(&Image1->Picture().AsBitmap());
    jpeg.CopyFrom(&bitmap);
    jpeg.Options().SaveQuality = 80;
    jpeg.SaveFile(output);
  }  // both graphics are released before the report
  return {clientWidth, clientHeight};
}
