#include "presenter/PictureBatch.h"

#include <algorithm>
#include <string>
#include <utility>

#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/FileNames.h"

namespace {
// A box longer than this would not fit the screen; the rest is counted.
const int kListedPerKind = 15;
}  // namespace

FilePath PictureBatch::Joined(const std::vector<FilePath>& arguments) {
  std::wstring joined;
  for (const FilePath& argument : arguments) joined += argument.Wide() + L" ";
  return FilePath::FromWide(joined);
}

namespace {
bool NamesFileOrFolder(const FilePath& argument) { return IsExistingFile(argument) || IsExistingFolder(argument); }

// An argument beyond the file calls (32,767 characters) cannot be looked up. It is
// taken as the picture it names, which then cannot be opened, rather than as a piece of a name
// split at its blanks: the others of the run are still saved.
bool NamesPictureOfRun(const FilePath& argument) { return !FitsFileCalls(argument) || NamesFileOrFolder(argument); }

// The arguments joined again into the one name they were split from.
FilePath JoinedName(const std::vector<FilePath>& arguments) {
  const std::wstring joined = PictureBatch::Joined(arguments).Wide();
  return FilePath::FromWide(joined.substr(0, joined.size() - 1));
}
}  // namespace

std::vector<FilePath> PictureBatch::PicturesOf(const std::vector<FilePath>& arguments) {
  if (arguments.size() < 2 || NamesFileOrFolder(Joined(arguments))) return {};
  const bool allFiles = std::all_of(arguments.begin(), arguments.end(), NamesPictureOfRun);
  return allFiles ? arguments : std::vector<FilePath>();
}

bool PictureBatch::NamesFolder(const std::vector<FilePath>& arguments) {
  if (arguments.empty()) return false;
  return IsExistingFolder(JoinedName(arguments)) ||
         std::any_of(arguments.begin(), arguments.end(), [](const FilePath& a) { return IsExistingFolder(a); });
}

PictureRun PictureBatch::RunOf(const std::vector<FilePath>& arguments, FolderLister picturesIn) {
  std::vector<FilePath> named = PicturesOf(arguments);
  if (named.empty()) named = {JoinedName(arguments)};
  PictureRun run;
  for (const FilePath& name : named) {
    FolderPictures inside;
    if (picturesIn != nullptr && IsExistingFolder(name)) inside = picturesIn(name);
    run.skipped += inside.skipped;
    if (inside.pictures.empty()) {
      run.pictures.push_back({name, FilePath()});
    } else {
      for (const FilePath& picture : inside.pictures) run.pictures.push_back({picture, name});
    }
  }
  return run;
}

PictureBatch::PictureBatch(PictureRun run, bool several)
    : pictures_(std::move(run.pictures)), skipped_(run.skipped), several_(several) {
  // Only another picture of the run can be in an output's way. A key asks the
  // file system, which a run of one does not wait for before its window shows.
  if (pictures_.size() < 2) return;
  for (const RunPicture& picture : pictures_) pictureKeys_.push_back(SameFileKey(picture.file));
}

std::string PictureBatch::ShownName(const FilePath& file) const {
  if (next_ >= pictures_.size()) return file.FileName().Text();
  const FilePath& folder = pictures_[next_].droppedFolder;
  if (folder.Wide().empty()) return file.FileName().Text();
  // The folder's files were named as it was given, with one separator after it.
  std::wstring base = folder.Wide();
  if (base.back() != L'\\' && base.back() != L'/') base += L'\\';
  const std::wstring& path = file.Wide();
  if (path.compare(0, base.size(), base) != 0) return file.FileName().Text();
  return FilePath::FromWide(path.substr(base.size())).Text();
}

bool PictureBatch::Taken(const std::wstring& key) const {
  return std::find(pictureKeys_.begin(), pictureKeys_.end(), key) != pictureKeys_.end() ||
         std::find(savedKeys_.begin(), savedKeys_.end(), key) != savedKeys_.end();
}

FilePath PictureBatch::OutputFor(const FilePath& plainOutput) const {
  // A run of one replaces an earlier output.
  if (pictureKeys_.empty()) return plainOutput;
  // Copies are numbered the way the system's file browser numbers them.
  FilePath output = plainOutput;
  for (int copy = 2; Taken(SameFileKey(output)); ++copy) {
    output = plainOutput.WithExtension(" (" + std::to_string(copy) + ")" + ".jpg");
  }
  return output;
}

void PictureBatch::Saved(const FilePath& output, int width, int height, bool dataEndedEarly) {
  if (!pictureKeys_.empty()) savedKeys_.push_back(SameFileKey(output));
  outcomes_.push_back(
      {true, ShownName(output), ResFormat(IDS_BATCH_SIZE, {width, height}), ShownName(Current()), dataEndedEarly});
  ++next_;
}

void PictureBatch::Failed(const std::string& reason) {
  outcomes_.push_back({false, ShownName(Current()), reason, ShownName(Current()), false});
  ++next_;
}

int PictureBatch::SavedCount() const {
  return static_cast<int>(
      std::count_if(outcomes_.begin(), outcomes_.end(), [](const Outcome& outcome) { return outcome.saved; }));
}

std::string PictureBatch::Report() const {
  const int total = static_cast<int>(outcomes_.size());
  std::string report;
  if (stopped_) report = ResFormat(IDS_BATCH_STOPPED, {Count() - total}) + "\r\n";
  if (FailedCount() == 0) {
    report += ResFormat(IDS_BATCH_ALL_SAVED, {total});
  } else if (total == 1) {
    report += ResText(IDS_BATCH_ONE_NOT_SAVED);
  } else if (SavedCount() == 0) {
    report += ResFormat(IDS_BATCH_NONE_SAVED, {total});
  } else {
    report += ResFormat(IDS_BATCH_SOME_SAVED, {total, SavedCount()});
  }
  AppendList(report, true, IDS_BATCH_SAVED_HEADING);
  AppendList(report, false, IDS_BATCH_FAILED_HEADING);
  AppendCutPictures(report);
  if (skipped_ > 0) report += "\r\n\r\n" + ResFormat(IDS_BATCH_SKIPPED, {skipped_});
  return report;
}

void PictureBatch::AppendCutPictures(std::string& report) const {
  int listed = 0;
  int unlisted = 0;
  for (const Outcome& outcome : outcomes_) {
    if (!outcome.dataEndedEarly) continue;
    if (listed == kListedPerKind) {
      ++unlisted;
      continue;
    }
    report += (listed == 0 ? "\r\n\r\n" : "\r\n") + ResFormat(IDS_DATA_ENDED_EARLY, {outcome.picture});
    ++listed;
  }
  if (unlisted > 0) report += "\r\n" + ResFormat(IDS_BATCH_MORE, {unlisted});
}

void PictureBatch::AppendList(std::string& report, bool saved, unsigned heading) const {
  int listed = 0;
  int unlisted = 0;
  for (const Outcome& outcome : outcomes_) {
    if (outcome.saved != saved) continue;
    if (listed == 0) report += "\r\n\r\n" + ResText(heading);
    if (listed == kListedPerKind) {
      ++unlisted;
      continue;
    }
    report += "\r\n" + ResFormat(IDS_BATCH_LINE, {outcome.name, outcome.detail});
    ++listed;
  }
  if (unlisted > 0) report += "\r\n" + ResFormat(IDS_BATCH_MORE, {unlisted});
}
