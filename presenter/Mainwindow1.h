#pragma once
// The program's one window. Its layout comes from the TMainForm1 resource; its
// constructor picks the entry edge from the minute and parks the window outside
// that edge; its handlers do the rest.

#include <memory>
#include <string>
#include <vector>

#include "presenter/EntryEdge.h"
#include "presenter/PictureBatch.h"
#include "presenter/PictureFit.h"
#include "presenter/RunReport.h"
#include "text/Exceptions.h"
#include "text/FilePath.h"
#include "ui/CustomControl.h"
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/Timer.h"

class TMainForm1 : public TForm {
public:
  explicit TMainForm1(TComponent* owner);
  const char* ClassName() const override { return "TMainForm1"; }

  TImage* Image1 = nullptr;
  TImage* Image2 = nullptr;
  TPanel* Panel1 = nullptr;
  TButton* Button1 = nullptr;
  TTimer* Timer1 = nullptr;

  void FormCreate(TComponent* sender);
  void Timer1Timer(TComponent* sender);
  void Button1Click(TComponent* sender);

  EntryEdge Edge() const { return entryEdge_; }
  const std::string& PicturePath() const { return picturePath_; }
  const std::string& PictureExtension() const { return pictureExtension_; }

protected:
  TNotifyEvent FindHandler(const std::string& name) override;

private:
  // Why the picture the user named was not loaded, when it was not.
  // A file that is missing, or that cannot be read (another program holds it),
  // cannot be opened.
  enum class PictureProblem { kNone, kUnopened, kNotAPicture, kEmptyFolder, kUnlistedFolder };

  // Loads the picture named by the path, which ends in one blank; a file that
  // cannot be opened or is no picture is left as the picture problem.
  void LoadPicture(const FilePath& path);
  // The picture problem as its box says it, with the reason a report gives.
  Exception Problem() const;
  // Whether closing the window now only stops the run, after the picture in
  // hand: several pictures are being framed. Notes the stop.
  bool StopsRunInstead();
  // The caption, with the count of a run of several.
  void ShowPosition();

  template <class T>
  T* Find(const char* name);
  void AskAboutInformation();
  // Sizes the window to the picture and fits Image2 into it.
  void LayOut(int pictureWidth, int pictureHeight);
  // Sets the client's width, then its height, where they differ.
  void SetClientSize(ClientSize size);
  // Places the window just outside its entry edge.
  void PlaceAtEntry();
  void MoveOutOfSight();
  void GiveUpWithoutPicture();
  bool PreparePicture();
  void GiveUpAfterFailedDrawing();
  // Inside the handler of the failure that keeps the picture in hand from being
  // shown: notes it, tells it as the run tells failures, and moves on.
  void NotShown();
  FilePath OutputName() const;
  // Captures the client area and saves it to the output; gives the size saved.
  ClientSize SaveCapture(const FilePath& output);

  // The run, of one picture or several: each is loaded, framed and saved in
  // turn; the report tells what became of it.
  bool LoadNextPicture();
  void SavePicture();
  // After the picture in hand, whatever became of it: the next one, or the end.
  void MoveOn();
  void ParkForNextPicture();

  // The picture's path as the file system names it; picturePath_ is its ANSI text.
  FilePath picture_;
  std::string picturePath_;
  std::string pictureExtension_;
  EntryEdge entryEdge_ = kLeftEdge;
  PictureProblem pictureProblem_ = PictureProblem::kNone;
  PictureBatch batch_;
  std::unique_ptr<RunReport> report_;
  // The client size before any picture's layout, for each next picture.
  ClientSize loadedClient_{};
  // The caption the layout gives, which a run of several adds its count to.
  std::string caption_;
  // The user asked to stop the run; the report is being shown.
  bool stopAsked_ = false;
  bool reporting_ = false;
};

// The main window, set before its constructor body runs.
extern TMainForm1* MainForm1;

// Where the constructor reads the minute from: the local clock. Tests put in a
// clock of their own.
using MinuteSource = std::string (*)();
void SetMinuteSource(MinuteSource source);
