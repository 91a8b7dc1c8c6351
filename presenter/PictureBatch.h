#pragma once
// The pictures framed one after the other, one or several: which arguments make
// such a run, the picture in hand, what became of each, and the one report that
// several get at the end.

#include <string>
#include <vector>

#include "presenter/FolderPictures.h"
#include "text/FilePath.h"

// A picture of a run, and the folder the user dropped it in, which the report
// leaves out of its name; none for a file named itself, named by its file name.
struct RunPicture {
  FilePath file;
  FilePath droppedFolder;
};

// The pictures of a run, and how many files of its folders were no picture.
struct PictureRun {
  std::vector<RunPicture> pictures;
  int skipped = 0;
};

class PictureBatch {
public:
  // The pictures of a run over several: the arguments, in their order, when
  // there are two or more and each names a file while all of them joined by
  // blanks (the name of one file split at its blanks) name none. Empty otherwise.
  static std::vector<FilePath> PicturesOf(const std::vector<FilePath>& arguments);
  // The arguments joined by single blanks, ending in one, as a split name is put
  // together again.
  static FilePath Joined(const std::vector<FilePath>& arguments);
  // The pictures of the run the arguments make: several as PicturesOf gives
  // them, or else the one picture they name joined, without the last blank.
  // A folder among them stands for the pictures inside it, as `picturesIn`
  // finds them; a folder without any stays, to be told as empty.
  using FolderLister = FolderPictures (*)(const FilePath& folder);
  static PictureRun RunOf(const std::vector<FilePath>& arguments, FolderLister picturesIn = nullptr);
  // Whether the arguments name a folder: its pictures are told as several are,
  // however many it holds.
  static bool NamesFolder(const std::vector<FilePath>& arguments);

  explicit PictureBatch(PictureRun run = {}, bool several = false);

  bool Active() const { return !pictures_.empty(); }
  int Count() const { return static_cast<int>(pictures_.size()); }
  // Told as several: more than one picture, or the pictures of a folder.
  bool Several() const { return several_ || pictures_.size() > 1; }
  // Every picture was tried, or the run was stopped.
  bool Done() const { return stopped_ || next_ >= pictures_.size(); }
  // The picture in hand; only while not Done.
  const FilePath& Current() const { return pictures_[next_].file; }
  // Which picture of Count() is in hand, from 1.
  int Position() const { return static_cast<int>(next_) + 1; }

  // Where the picture in hand is saved, given the name it would have alone: that
  // name, unless an earlier picture of a run of several was saved there or a
  // picture of the run is that file; then the first free of "<name> (2).jpg",
  // "(3)"... A run of one keeps the name, replacing an earlier output.
  FilePath OutputFor(const FilePath& plainOutput) const;

  // What became of the picture in hand; either moves on to the next. A picture
  // saved from data that ended early is told so; the reason of a failure does
  // not name the picture, which the report names.
  void Saved(const FilePath& output, int width, int height, bool dataEndedEarly = false);
  void Failed(const std::string& reason);
  // No picture after the one in hand is tried; the rest are counted as not tried.
  void Stop() { stopped_ = true; }
  // The name the report gives the picture in hand, or a file beside it.
  std::string ShownName(const FilePath& file) const;

  int SavedCount() const;
  int FailedCount() const { return static_cast<int>(outcomes_.size()) - SavedCount(); }
  // The report: that the run was stopped and how many were not tried, when it
  // was; how many were saved, the saved files with their sizes, the pictures
  // that were not with the reason, those whose data ended early, each in the
  // run's order; and how many files were no picture.
  std::string Report() const;

private:
  struct Outcome {
    bool saved;
    std::string name;    // the saved file's, or the picture's, as the report shows it
    std::string detail;  // the size saved, or why nothing was
    std::string picture;  // the picture's
    bool dataEndedEarly;
  };
  void AppendList(std::string& report, bool saved, unsigned heading) const;
  void AppendCutPictures(std::string& report) const;

  bool Taken(const std::wstring& key) const;

  std::vector<RunPicture> pictures_;
  int skipped_ = 0;
  bool several_ = false;
  bool stopped_ = false;
  // The pictures' and the saved files' names as SameFileKey gives them.
  std::vector<std::wstring> pictureKeys_;
  std::vector<std::wstring> savedKeys_;
  size_t next_ = 0;
  std::vector<Outcome> outcomes_;
};
