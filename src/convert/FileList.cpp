#include "convert/FileList.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "app/TimeText.h"
#include "engine/prober/FFDecoder.h"

namespace mediaconv::convert {
namespace {

// Extensions taken from a drop: the add dialog's, ".mpeg" included.
constexpr std::array<std::string_view, 42> kDropExtensions = {
    ".mp3", ".aac", ".wav",  ".wma", ".cda", ".flac", ".m4a", ".mid", ".mka", ".mp2", ".mpa",
    ".mpc", ".ape", ".ofr",  ".ogg", ".ra",  ".wv",   ".tta", ".ac3", ".dts", ".avi", ".avm",
    ".asf", ".wmv", ".avs",  ".flv", ".mkv", ".mov",  ".3gp", ".mp4", ".mpg", ".dat", ".ogm",
    ".vob", ".rm",  ".rmvb", ".ts",  ".tp",  ".ifo",  ".nsv", ".swf", ".mpeg"};

std::string Format(const char* format, auto... values) {
  char text[96];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::shared_ptr<const engine::TBitmap> Thumbnail(engine::TFFDecoder& prober, const TFileFacts& facts) {
  auto bitmap = std::make_shared<engine::TBitmap>();
  // An unknown duration (-1) halves to a seek to the start; a failed seek
  // decodes from where the file stands.
  prober.Seek(0, facts.Duration / 2);
  if (prober.DecodeNextFrame(prober.FirstVideoStream())) prober.CopyFrameToBitmap(*bitmap);
  return bitmap;
}

}  // namespace

TFileFacts ReadFileFacts(engine::TFFDecoder& prober) {
  TFileFacts facts;
  facts.FileName = prober.GetFileName();
  facts.FileSize = prober.FileSize();
  engine::TFileStreamInfo file;
  if (prober.GetFileStreamInfo(file)) {
    facts.Duration = file.Duration;
    facts.BitRate = file.BitRate;
  }
  engine::TVideoStreamInfo video;
  facts.HasVideo = prober.FirstVideoStream() >= 0 && prober.GetVideoStreamInfo(-1, video);
  facts.VideoCodec = video.Codec;
  facts.VideoBitRate = video.BitRate;
  facts.Width = video.Width;
  facts.Height = video.Height;
  facts.AspectRatio = video.AspectRatio;
  facts.FrameRateNum = video.FrameRateNum;
  facts.FrameRateDen = video.FrameRateDen;
  engine::TAudioStreamInfo audio;
  facts.HasAudio = prober.FirstAudioStream() >= 0 && prober.GetAudioStreamInfo(-1, audio);
  facts.AudioCodec = audio.Codec;
  facts.AudioBitRate = audio.BitRate;
  facts.Channels = audio.Channels;
  facts.SampleRate = audio.SampleRate;
  return facts;
}

std::string DurationText(int64_t duration) {
  return duration == -1 ? "Duration is not preseted" : app::MicrosecondsText(duration);
}

std::string BitRateText(int32_t bitRate) {
  return bitRate < 1 ? "Bit rate is not preseted" : Format("%d Kbps", bitRate / 1000);
}

std::string FrameRateValueText(int32_t num, int32_t den) {
  // Without a video stream both are -1; their quotient would read as 1 frame/s.
  const double rate = num > 0 && den > 0 ? static_cast<double>(num) / den : 0.0;
  return Format("%.2f", rate);
}

std::string AspectRatioText(double aspectRatio) { return Format("%.15g", aspectRatio); }

std::array<std::string, kFileListColumnCount> FileListCells(const TFileFacts& f,
                                                            const std::string& fileMinName) {
  std::array<std::string, kFileListColumnCount> cells;
  cells[fcFileMinName] = fileMinName;
  cells[fcDuration] = "Duration: " + DurationText(f.Duration);
  if (f.HasVideo) {
    cells[fcBitrate] = "Bit rate: " + BitRateText(f.VideoBitRate);
    cells[fcDimension] = "Dimension: " + Format("%d x %d", f.Width, f.Height);
  } else {
    cells[fcBitrate] = "Audio Bit rate: " + BitRateText(f.AudioBitRate);
    cells[fcDimension] = "Audio Encoder: " + f.AudioCodec;
  }
  cells[fcFileFullName] = f.FileName;
  cells[fcFileSize] = "File size: " + std::to_string(f.FileSize);
  cells[fcVideoEncoder] = "Video encoder: " + f.VideoCodec;
  cells[fcAudioChannels] = "Channels: " + std::to_string(f.Channels);
  cells[fcAudioSampleRate] = "Sample rate: " + std::to_string(f.SampleRate) + " Hz";
  cells[fcAudioBitrate] = "Bit rate: " + BitRateText(f.AudioBitRate);
  cells[fcAudioEncoder] = "Audio encoder: " + f.AudioCodec;
  cells[fcFrameRate] = "Frame rate: " + FrameRateValueText(f.FrameRateNum, f.FrameRateDen);
  cells[fcRealDuration] = std::to_string(f.Duration > 0 ? f.Duration : 0);
  cells[fcWidth] = std::to_string(f.Width);
  cells[fcHeight] = std::to_string(f.Height);
  cells[fcAspectRatio] = AspectRatioText(f.AspectRatio);
  return cells;
}

std::string FileMinName(const std::string& path, int maxWidth,
                        const std::function<int(const std::string&)>& textWidth) {
  if (textWidth(path) <= maxWidth) return path;
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return path;
  const std::string name = path.substr(slash + 1);
  const std::string root = path[0] == '/' ? "/" : "";
  // Drop the leading folders one at a time: /.../c/d/name, /.../d/name, ...
  size_t cut = root.size();
  while (true) {
    const size_t next = path.find('/', cut);
    if (next == std::string::npos || next >= slash) break;
    cut = next + 1;
    const std::string candidate = root + ".../" + path.substr(cut);
    if (textWidth(candidate) <= maxWidth) return candidate;
  }
  const std::string bare = ".../" + name;
  return textWidth(bare) <= maxWidth ? bare : name;
}

const engine::TBitmap& AudioPicture() {
  static const engine::TBitmap picture = [] {
    engine::TBitmap bitmap;
    bitmap.Width = 118;
    bitmap.Height = 78;
    bitmap.BitsPerPixel = 24;
    bitmap.Stride = (bitmap.Width * 3 + 3) / 4 * 4;
    bitmap.Bits.assign(static_cast<size_t>(bitmap.Stride) * bitmap.Height, 0);
    // A dark panel with a row of level bars, drawn rather than stored.
    for (int y = 0; y < bitmap.Height; ++y) {
      for (int x = 0; x < bitmap.Width; ++x) {
        uint8_t* pixel = &bitmap.Bits[static_cast<size_t>(y) * bitmap.Stride + x * 3];
        const int bar = (x - 9) / 10;
        const int level = 14 + ((bar * 37) % 5) * 11;
        const bool lit = x >= 9 && x < 109 && (x - 9) % 10 < 7 && y > 70 - level && y < 70;
        pixel[0] = lit ? 230 : 60;
        pixel[1] = lit ? 170 : 40;
        pixel[2] = lit ? 60 : 30;
      }
    }
    return bitmap;
  }();
  return picture;
}

TFileListRow UnprobedRow(const std::string& fileName) {
  TFileListRow row;
  row.Facts.FileName = fileName;
  row.Thumbnail = std::make_shared<engine::TBitmap>();
  row.Cells = FileListCells(row.Facts, fileName);
  return row;
}

const std::vector<std::string>& TFileList::AddFiles(const std::vector<std::string>& names, bool thumbnails) {
  if (names.empty()) return failed_;
  failed_.clear();
  observer_->AddBegun();
  for (const std::string& name : names) AddFile(name, thumbnails);
  observer_->AddEnded();
  if (!failed_.empty()) view_.ShowFailedFiles(failed_);
  return failed_;
}

bool TFileList::AddFile(const std::string& name, bool thumbnails) {
  if (!prober_.LoadFile(name)) {
    view_.AppendLog("File load error: " + prober_.LastError());
    failed_.push_back(prober_.LastError());
    return false;
  }
  TFileListRow row;
  row.Facts = ReadFileFacts(prober_);
  row.AudioOnly = prober_.FirstVideoStream() < 0;
  if (row.AudioOnly)
    row.Thumbnail = std::make_shared<engine::TBitmap>(AudioPicture());
  else if (thumbnails)
    row.Thumbnail = Thumbnail(prober_, row.Facts);
  else
    row.Thumbnail = std::make_shared<engine::TBitmap>();
  // The cells show the name as it was given.
  row.Facts.FileName = name;
  row.Cells = FileListCells(row.Facts, FileMinName(name, kFileMinNameWidth, [this](const std::string& text) {
                              return view_.TextWidth(text);
                            }));
  prober_.CloseFile();
  AppendRow(std::move(row));
  return true;
}

void TFileList::AppendRow(TFileListRow row) {
  const int index = Count();
  observer_->RowsAboutToBeInserted(index, index);
  rows_.push_back(std::move(row));
  observer_->RowsInserted(index, index);
}

void TFileList::Select(int index) { SetSelected(index >= 0 && index < Count() ? index : -1); }

void TFileList::SetSelected(int index) {
  if (index == selected_) return;
  selected_ = index;
  observer_->SelectionChanged(selected_);
}

void TFileList::DeleteSelected() {
  if (selected_ < 0) return;
  const int removed = selected_;
  observer_->RowsAboutToBeRemoved(removed, removed);
  rows_.erase(rows_.begin() + removed);
  selected_ = std::min(removed, Count() - 1);
  observer_->RowsRemoved(removed, removed);
  // Told even when the index stayed: a view drops its selection with the row.
  observer_->SelectionChanged(selected_);
}

void TFileList::Clear() {
  observer_->AboutToBeReset();
  rows_.clear();
  selected_ = -1;
  observer_->ResetDone();
  observer_->SelectionChanged(-1);
}

void TFileList::MoveUp() {
  if (CanMoveUp()) Move(selected_, selected_ - 1);
}

void TFileList::MoveDown() {
  if (CanMoveDown()) Move(selected_, selected_ + 1);
}

void TFileList::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  observer_->RowAboutToBeMoved(from, to);
  TFileListRow row = std::move(rows_[from]);
  rows_.erase(rows_.begin() + from);
  rows_.insert(rows_.begin() + to, std::move(row));
  selected_ = to;
  observer_->RowMoved(from, to);
  observer_->SelectionChanged(selected_);
}

bool AcceptsDroppedFile(const std::string& name, bool isFolder) {
  if (isFolder) return false;
  const size_t dot = name.rfind('.');
  const size_t slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string extension = name.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::find(kDropExtensions.begin(), kDropExtensions.end(), extension) != kDropExtensions.end();
}

std::vector<std::string> DroppedFiles(const std::vector<TDroppedItem>& items) {
  std::vector<std::string> kept;
  for (const TDroppedItem& item : items)
    if (AcceptsDroppedFile(item.Name, item.IsFolder)) kept.push_back(item.Name);
  return kept;
}

TAddDialogFollowUp AddDialogFollowUp(const std::vector<std::string>& chosen, const std::string& lastOpenDir) {
  TAddDialogFollowUp followUp;
  followUp.LastOpenDir = lastOpenDir;
  if (chosen.empty()) return followUp;
  const std::string& first = chosen.front();
  const size_t slash = first.rfind('/');
  if (slash != std::string::npos) followUp.LastOpenDir = first.substr(0, slash + 1);
  followUp.ClearFileName = chosen.size() > 1;
  return followUp;
}

}  // namespace mediaconv::convert
