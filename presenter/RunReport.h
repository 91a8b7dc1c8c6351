#pragma once
// How a run tells what became of its pictures: the one place where a picture on
// its own and several differ. Every picture is loaded, made ready, shown and
// saved the same way; a picture on its own is told at once, in the boxes it has
// always had, and the program ends with it, while several are told in one box
// at the end, with the window parked outside its edge between them.

#include <memory>
#include <string>

#include "presenter/PictureBatch.h"
#include "presenter/PictureFit.h"

class TComponent;

class RunReport {
public:
  // Where the picture in hand failed.
  enum class Stage { kLoad, kPrepare, kSave };

  // The report for a run of that many pictures.
  static std::unique_ptr<RunReport> For(const PictureBatch& batch);
  virtual ~RunReport() = default;

  // Whether the window goes back outside its edge after each picture.
  virtual bool ParksBetweenPictures() const = 0;
  // The picture in hand names no file, or a file of a refused kind; why.
  virtual void NotLoaded(const std::string& problem) = 0;
  // Called inside the handler of the picture's failure at that stage, after the
  // batch has noted it; returns when the run goes on. The window is the sender
  // of any box.
  virtual void Failed(Stage stage, TComponent& window) = 0;
  // The picture in hand was saved at that size; `note` is a line more to tell
  // of it (its data ended early), or empty.
  virtual void Saved(ClientSize size, const std::string& note) = 0;
  // No picture is left to try.
  virtual void Finished(const PictureBatch& batch) = 0;
};

// The beep and the box that tell a picture saved on its own, and its size; a
// note, when given, is the box's second line.
void TellSavedAlone(ClientSize size, const std::string& note = std::string());
