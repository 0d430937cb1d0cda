#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/common/Bitmap.h"

namespace mediaconv::engine {
class TFFDecoder;
}

namespace mediaconv::convert {

// Columns of a file-list row, by index.
enum TFileListColumn : int {
  fcMainImage,
  fcFileMinName,
  fcDuration,
  fcBitrate,
  fcDimension,
  fcFileFullName,
  fcFileSize,
  fcVideoEncoder,
  fcAudioChannels,
  fcAudioSampleRate,
  fcAudioBitrate,
  fcAudioEncoder,
  fcFrameRate,
  fcRealDuration,
  fcWidth,
  fcHeight,
  fcAspectRatio,
  kFileListColumnCount
};

// Width in pixels that the shortened path of column 1 must fit.
inline constexpr int kFileMinNameWidth = 255;

// What the prober tells about one file, as the list and the probe command
// use it; -1 (or empty) where the file has no such value.
struct TFileFacts {
  std::string FileName;
  int64_t FileSize = -1;
  int64_t Duration = -1;  // microseconds
  int32_t BitRate = -1;   // the container's
  bool HasVideo = false;
  bool HasAudio = false;
  std::string VideoCodec;
  int32_t VideoBitRate = -1;
  int32_t Width = -1;
  int32_t Height = -1;
  double AspectRatio = -1.0;
  int32_t FrameRateNum = -1;
  int32_t FrameRateDen = -1;
  std::string AudioCodec;
  int32_t AudioBitRate = -1;
  int32_t Channels = -1;
  int32_t SampleRate = -1;
};

// Reads the facts of the file the prober has open.
TFileFacts ReadFileFacts(engine::TFFDecoder& prober);

// Texts of the cells.
std::string DurationText(int64_t duration);                // "Duration is not preseted" for -1
std::string BitRateText(int32_t bitRate);                  // "%d Kbps", "Bit rate is not preseted" below 1
std::string FrameRateValueText(int32_t num, int32_t den);  // two decimals; 0.00 when unknown
std::string AspectRatioText(double aspectRatio);

// The texts of columns 1 to 16 (column 0 is the thumbnail and stays empty);
// fileMinName is the text of column 1.
std::array<std::string, kFileListColumnCount> FileListCells(const TFileFacts& facts,
                                                            const std::string& fileMinName);

// The path shortened to fit maxWidth as textWidth measures it: leading
// folders give way to "..." one by one; the bare name when nothing else fits.
std::string FileMinName(const std::string& path, int maxWidth,
                        const std::function<int(const std::string&)>& textWidth);

// The fixed picture of files without video.
const engine::TBitmap& AudioPicture();

struct TFileListRow {
  std::shared_ptr<const engine::TBitmap> Thumbnail;  // empty bitmap when no frame could be decoded
  bool AudioOnly = false;
  TFileFacts Facts;
  std::array<std::string, kFileListColumnCount> Cells;

  const std::string& FullName() const { return Cells[fcFileFullName]; }
  // Microseconds; 0 when the file has no known duration.
  int64_t RealDuration() const { return Facts.Duration > 0 ? Facts.Duration : 0; }
};

// A row for a file that has not been probed: only its name is known. The
// run probes every file again before it becomes a task, so a front end
// without a list on screen can hand names over this way.
TFileListRow UnprobedRow(const std::string& fileName);

// What the file list shows beside its rows.
class TFileListView {
 public:
  virtual ~TFileListView() = default;
  virtual void AppendLog(const std::string& line) = 0;
  // The "Failed to Add Files" window, one error text per line.
  virtual void ShowFailedFiles(const std::vector<std::string>& errors) = 0;
  // Width of a text in the list's font (pixels for a window, characters for a terminal).
  virtual int TextWidth(const std::string& text) = 0;
};

// Changes of the list as a model view needs them: each change is announced
// before it is made and reported after, with first..last inclusive. A moved
// row goes from index from to index to (its index after the move).
class TFileListObserver {
 public:
  virtual ~TFileListObserver() = default;
  // Around one AddFiles: a grid stops repainting in between.
  virtual void AddBegun() {}
  virtual void AddEnded() {}
  virtual void RowsAboutToBeInserted(int /*first*/, int /*last*/) {}
  virtual void RowsInserted(int /*first*/, int /*last*/) {}
  virtual void RowsAboutToBeRemoved(int /*first*/, int /*last*/) {}
  virtual void RowsRemoved(int /*first*/, int /*last*/) {}
  virtual void RowAboutToBeMoved(int /*from*/, int /*to*/) {}
  virtual void RowMoved(int /*from*/, int /*to*/) {}
  virtual void AboutToBeReset() {}
  virtual void ResetDone() {}
  virtual void SelectionChanged(int /*selected*/) {}
};

// The list of files to convert, in conversion order. Selection is the row
// index or -1.
class TFileList {
 public:
  TFileList(engine::TFFDecoder& prober, TFileListView& view) : prober_(prober), view_(view) {}

  // One observer at a time; nullptr for none.
  void SetObserver(TFileListObserver* observer) { observer_ = observer ? observer : &silent_; }

  // Probes and lists the files in order. A file the prober cannot open is not
  // listed: its error goes to the log and to the failed list, shown at the
  // end. Returns the failed list. Without thumbnails no frame is decoded.
  const std::vector<std::string>& AddFiles(const std::vector<std::string>& names, bool thumbnails = true);
  const std::vector<std::string>& FailedList() const { return failed_; }

  const std::vector<TFileListRow>& Rows() const { return rows_; }
  int Count() const { return static_cast<int>(rows_.size()); }
  void AppendRow(TFileListRow row);

  int Selected() const { return selected_; }
  void Select(int index);
  // Removes the selected row and selects the row that took its place, or
  // the new last row when it was the last.
  void DeleteSelected();
  void Clear();
  void MoveUp();
  void MoveDown();
  // Rows dragged to a new place.
  void Move(int from, int to);

  bool CanDelete() const { return selected_ >= 0; }
  bool CanPlay() const { return selected_ >= 0; }
  bool CanClear() const { return !rows_.empty(); }
  bool CanMoveUp() const { return selected_ > 0; }
  bool CanMoveDown() const { return selected_ >= 0 && selected_ < Count() - 1; }

 private:
  bool AddFile(const std::string& name, bool thumbnails);
  void SetSelected(int index);

  engine::TFFDecoder& prober_;
  TFileListView& view_;
  TFileListObserver silent_;
  TFileListObserver* observer_ = &silent_;
  std::vector<TFileListRow> rows_;
  std::vector<std::string> failed_;
  int selected_ = -1;
};

// Whether a dropped item is taken into the list: files (not folders) whose
// lower-cased extension is one the list accepts from a drop.
bool AcceptsDroppedFile(const std::string& name, bool isFolder);

struct TDroppedItem {
  std::string Name;
  bool IsFolder = false;
};
// The names of a drop that the list takes, in the order they came.
std::vector<std::string> DroppedFiles(const std::vector<TDroppedItem>& items);

// What the add dialog leaves behind after OK: "LastOpenDir" becomes the
// folder (with its separator) of the first chosen file, and with more than
// one file chosen the dialog forgets its file name.
struct TAddDialogFollowUp {
  std::string LastOpenDir;
  bool ClearFileName = false;
};
TAddDialogFollowUp AddDialogFollowUp(const std::vector<std::string>& chosen, const std::string& lastOpenDir);

}  // namespace mediaconv::convert
