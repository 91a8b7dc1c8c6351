#include "presenter/RunReport.h"

#include "text/Exceptions.h"
#include "text/Numbers.h"
#include "ui/Application.h"
#include "ui/MessageDialogs.h"
#include "ui/Sound.h"

namespace {

// A picture on its own: each failure is shown as it happens, a missing file or
// refused kind once the window's timer finds nothing to show.
class OnePictureReport : public RunReport {
public:
  bool ParksBetweenPictures() const override { return false; }
  void NotLoaded(const std::string& problem) override { problem_ = problem; }
  void Failed(Stage stage, TComponent& window) override {
    // What cannot be drawn is not saved: the user reads why, and the program ends
    // as after a failed load.
    if (stage == Stage::kPrepare) {
      Application->HandleException(&window);
      return;
    }
    // The handler of the event that failed shows it: the window's creation, after
    // which the program ends at the first tick, or the tick that saved, after
    // which the window waits at the centre to be closed.
    throw;
  }
  void Saved(ClientSize size, const std::string& note) override { TellSavedAlone(size, note); }
  void Finished(const PictureBatch&) override {
    if (!problem_.empty()) Application->ShowException(Exception(problem_));
  }

private:
  std::string problem_;
};

// Several pictures: what became of each is in the batch, and told at the end.
class SeveralPicturesReport : public RunReport {
public:
  bool ParksBetweenPictures() const override { return true; }
  void NotLoaded(const std::string&) override {}
  void Failed(Stage, TComponent&) override {}
  void Saved(ClientSize, const std::string&) override {}
  void Finished(const PictureBatch& batch) override {
    DefaultBeep();
    if (batch.FailedCount() == 0) {
      ShowMessage(batch.Report());
    } else {
      MessageDlg(batch.Report(), batch.SavedCount() > 0 ? mtWarning : mtError, mbOK, 0);
    }
  }
};

}  // namespace

std::unique_ptr<RunReport> RunReport::For(const PictureBatch& batch) {
  if (batch.Several()) return std::make_unique<SeveralPicturesReport>();
  return std::make_unique<OnePictureReport>();
}

void TellSavedAlone(ClientSize size, const std::string& note) {
  DefaultBeep();
  std::string text = IntegerToText(size.width) + " x " + IntegerToText(size.height) + " のミロカテ形式で保存しました。";
  if (!note.empty()) text += "\r\n" + note;
  ShowMessage(text);
}
