#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "engine/tasks/TaskRecords.h"
#include "profiles/SelectionState.h"

namespace mediaconv::profiles {

// What the per-file form reads from the opened input.
struct TInputFacts {
  std::string FileName;       // full path as the prober has it
  int32_t AudioBitrate = -1;  // bit/s of the first audio stream; -1 without one
};

// Output paths already handed out in one run. UniqueFileName only sees files
// on disk, so without this two inputs a.avi and a.mov converted to MP4 would
// both be given a.mp4 and the second would overwrite the first.
class TOutputNames {
 public:
  bool Contains(const std::string& path) const { return paths_.count(path) > 0; }
  void Add(const std::string& path) { paths_.insert(path); }

 private:
  std::set<std::string> paths_;
};

// Sets the fields of the class, the format and the preset on options: the
// class-wide DisableVideo, then what every preset of the format sets, then
// the preset's row. A bad class or format id sets nothing; an index without
// a row adds nothing to the class and format fields. The input's audio bit rate is copied for the
// preset that asks for it only when inputAudioBitrate is given.
void ApplyOutputProfile(engine::TOutputOptions& options, int classId, int formatId, int32_t presetIndex,
                        const int32_t* inputAudioBitrate = nullptr);

// The input's name in the output folder with the format's extension, made
// unique against the folder's files (and against names, when given, which
// then records the result). Returns the full path.
std::string OutputFileName(const TOutputChoice& choice, const std::string& inputFileName,
                           TOutputNames* names = nullptr);

// The per-file form: the output options and output path for one input.
engine::TOutputOptions BuildOutputOptions(const TOutputChoice& choice, const TInputFacts& input,
                                          TOutputNames* names = nullptr);

// The encoder operations the joined form needs (TFFEncoder has them).
class TJoinEncoder {
 public:
  virtual ~TJoinEncoder() = default;
  virtual int TasksCount() const = 0;
  virtual int AddTask(const std::string& fileName, engine::TInputOptions* options) = 0;
  virtual bool AddInputFile(int taskIndex, const std::string& fileName, engine::TInputOptions* options) = 0;
  virtual bool SetOutputFile(int taskIndex, const std::string& fileName, engine::TOutputOptions* options) = 0;
  virtual void RemoveTask(int taskIndex) = 0;
  virtual std::string LastErrMsg() const = 0;
};

// One row of the file list as the joined form reads it.
struct TJoinInput {
  std::string FileName;      // full path
  int64_t RealDuration = 0;  // microseconds; 0 when not known
  int32_t Width = -1;
  int32_t Height = -1;
  double AspectRatio = -1.0;
};

// One row of the progress list of a joined run.
struct TJoinProgressRow {
  std::string Caption;  // file name without its folder
  std::string DurationText;
  std::string PictureSize;  // "320x240"
  std::string AspectRatio;
  std::string OutputPath;
  int64_t Duration = 0;  // microseconds, 0 when not known
};

struct TJoinedTask {
  std::vector<TJoinProgressRow> Rows;  // the progress list, one row per added input
  int64_t QueuedDuration = 0;          // sum of the known durations of the added inputs
  std::string OutputFileName;          // the joined output's path
  bool Created = false;                // task 0 exists with its output
};

// The joined form: every file an input of task 0, one output "Output_Merge"
// with the format's extension. Each step's log line goes to appendLog.
TJoinedTask BuildJoinedTask(const TOutputChoice& choice, std::span<const TJoinInput> files,
                            TJoinEncoder& encoder, const std::function<void(const std::string&)>& appendLog);

}  // namespace mediaconv::profiles
