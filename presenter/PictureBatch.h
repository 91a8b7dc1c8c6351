#pragma once
// The pictures framed one after the other, one or several: which arguments make
// such a run, the picture in hand, what became of each, and the one report that
// several get at the end.

#include <string>
#include <vector>

#include "text/FilePath.h"

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
  // A folder among them stands for the pictures directly inside it, as
  // `picturesIn` lists them; a folder without any stays, to be told as empty.
  using FolderLister = std::vector<FilePath> (*)(const FilePath& folder);
  static std::vector<FilePath> RunOf(const std::vector<FilePath>& arguments, FolderLister picturesIn = nullptr);
  // Whether the arguments name a folder: its pictures are told as several are,
  // however many it holds.
  static bool NamesFolder(const std::vector<FilePath>& arguments);

  explicit PictureBatch(std::vector<FilePath> pictures = {}, bool several = false);

  bool Active() const { return !pictures_.empty(); }
  size_t Count() const { return pictures_.size(); }
  // Told as several: more than one picture, or the pictures of a folder.
  bool Several() const { return several_ || pictures_.size() > 1; }
  bool Done() const { return next_ >= pictures_.size(); }
  // The picture in hand; only while not Done.
  const FilePath& Current() const { return pictures_[next_]; }

  // Where the picture in hand is saved, given the name it would have alone: that
  // name, unless an earlier picture of a run of several was saved there or a
  // picture of the run is that file; then the first free of "<name> (2).jpg",
  // "(3)"... A run of one keeps the name, replacing an earlier output.
  FilePath OutputFor(const FilePath& plainOutput) const;

  // What became of the picture in hand; either moves on to the next.
  void Saved(const FilePath& output, int width, int height);
  void Failed(const std::string& reason);

  int SavedCount() const;
  int FailedCount() const { return static_cast<int>(outcomes_.size()) - SavedCount(); }
  // The report: how many were saved, the saved files with their sizes, and the
  // pictures that were not with the reason, each in argument order.
  std::string Report() const;

private:
  struct Outcome {
    bool saved;
    std::string name;    // the saved file's, or the picture's, file-name part
    std::string detail;  // the size saved, or why nothing was
  };
  void AppendList(std::string& report, bool saved, unsigned heading) const;

  bool Taken(const std::wstring& key) const;

  std::vector<FilePath> pictures_;
  bool several_ = false;
  // The pictures' and the saved files' names as SameFileKey gives them.
  std::vector<std::wstring> pictureKeys_;
  std::vector<std::wstring> savedKeys_;
  size_t next_ = 0;
  std::vector<Outcome> outcomes_;
};
