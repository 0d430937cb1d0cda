// Damaged copies of well-formed media (cut short, bytes flipped, one file's
// header on another's body), made from a fixed seed, through the prober and
// through whole conversion runs: every case ends in time with a result or a
// reported error, and a failed task leaves no file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "RunTestSupport.h"
#include "app/FileNameHelpers.h"
#include "convert/FFEncoderRunAdapter.h"
#include "convert/RunEventBinding.h"
#include "engine/tasks/FFEncoder.h"
#include "profiles/FormatCatalogue.h"

namespace mediaconv::convert::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Sources() {
  return {
      MediaFixture("damage_tone.wav", "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=1 -ac 2"),
      MediaFixture("damage_tone.mp3", "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -b:a 96k"),
      MediaFixture("damage_clip.mkv",
                   "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 "
                   "-c:v mpeg4 -c:a mp2"),
      MediaFixture("damage_clip.mp4",
                   "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 "
                   "-c:v mpeg4 -c:a aac"),
      MediaFixture("damage_tone.flac", "-f lavfi -i sine=frequency=330:sample_rate=44100:duration=1"),
  };
}

// The damaged copies, written into folder; the same every run.
std::vector<std::string> DamagedCopies(const std::string& folder) {
  std::mt19937 random(20261210);
  const std::vector<std::string> sources = Sources();
  std::vector<std::string> bodies;
  for (const std::string& source : sources) bodies.push_back(ReadBytes(source));
  std::vector<std::string> files;
  const auto write = [&](const std::string& source, const std::string& kind, int n,
                         const std::string& bytes) {
    const std::string name = folder + "/" + fs::path(source).stem().string() + "-" + kind +
                             std::to_string(n) + fs::path(source).extension().string();
    WriteBytes(name, bytes);
    files.push_back(name);
  };
  for (size_t s = 0; s < sources.size(); ++s) {
    const std::string& body = bodies[s];
    for (int n = 0; n < 16; ++n) {
      // Cut anywhere, the header included.
      std::uniform_int_distribution<size_t> at(0, body.size() - 1);
      write(sources[s], "cut", n, body.substr(0, n < 4 ? n * 16 : at(random)));
    }
    for (int n = 0; n < 16; ++n) {
      std::string flipped = body;
      // A few bytes in the header region, or many anywhere.
      const int flips = n % 2 ? 4 : 64;
      std::uniform_int_distribution<size_t> at(
          0, n % 2 ? std::min<size_t>(body.size() - 1, 512) : body.size() - 1);
      for (int f = 0; f < flips; ++f) flipped[at(random)] ^= static_cast<char>(1 << (random() % 8));
      write(sources[s], "flip", n, flipped);
    }
    for (size_t other = 0; other < sources.size(); ++other) {
      if (other == s) continue;
      // This file's first bytes on another file's body.
      const size_t header = std::min<size_t>(body.size(), 64 + 64 * other);
      write(sources[s], "swap", static_cast<int>(other),
            body.substr(0, header) + bodies[other].substr(std::min(header, bodies[other].size())));
    }
  }
  return files;
}

TEST(DamagedMediaTest, TheProberEndsEveryCaseInTimeWithAResultOrAnError) {
  const std::vector<std::string> files = DamagedCopies(TempFolder("damaged-probe"));
  ASSERT_GE(files.size(), 150u);
  int read = 0;
  for (const std::string& file : files) {
    engine::TFFDecoder prober;
    const auto start = std::chrono::steady_clock::now();
    if (prober.LoadFile(file)) {
      ++read;
      engine::TFileStreamInfo info;
      prober.GetFileStreamInfo(info);
    } else {
      EXPECT_FALSE(prober.LastError().empty()) << file;
    }
    prober.CloseFile();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << file;
  }
  // Many damaged files still read; none of the header-less cuts does.
  EXPECT_GT(read, 0);
  EXPECT_LT(read, static_cast<int>(files.size()));
}

struct TPresetCase {
  const char* Name;
  int ClassId;
  int FormatId;
  int Preset;
};

class DamagedRunTest : public ::testing::TestWithParam<TPresetCase> {};

TEST_P(DamagedRunTest, EveryFileEndsAndAFailedOneLeavesNoFile) {
  const TPresetCase& c = GetParam();
  const std::vector<std::string> files = DamagedCopies(TempFolder("damaged-in"));
  const std::string out = app::WithTrailingSeparator(TempFolder("damaged-out"));

  app::TQueueMainThread mainThread;
  engine::TFFEncoder encoder;
  ASSERT_TRUE(encoder.LoadLibraries("")) << encoder.LastErrMsg();
  encoder.SetMainThread(&mainThread);
  TFFEncoderRunAdapter adapter(encoder);
  TRecordingView view;
  TConversionRun run(adapter, view, mainThread);
  TRunEventBinding events(encoder, run);
  std::vector<TFileListRow> rows;
  for (const std::string& file : files) rows.push_back(RowFor(file));
  app::AppSettings settings;
  TRunOptions options;
  options.Choice = {c.ClassId, c.FormatId, c.Preset, out};
  options.Settings = &settings;
  run.Start(rows, options);
  // A second on average per file is far more than any case needs.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(files.size());
  while (!run.Completed() && std::chrono::steady_clock::now() < deadline) mainThread.WaitAndServe(10ms);
  ASSERT_TRUE(run.Completed()) << c.Name;

  const TSummary& summary = view.Summary;
  EXPECT_EQ(summary.TotalFiles + summary.SkippedFiles, static_cast<int>(files.size()));
  EXPECT_GT(summary.SucceededCount, 0);
  std::set<std::string> kept;
  for (const TProgressRow& row : view.Rows) {
    ASSERT_TRUE(row.Status == "Finish." || row.Status == "Failed.") << row.Caption << ": " << row.Status;
    if (row.Status == "Finish.") {
      EXPECT_TRUE(fs::exists(row.WrittenFile)) << row.Caption;
      kept.insert(fs::path(row.WrittenFile).filename().string());
    } else {
      EXPECT_TRUE(row.WrittenFile.empty()) << row.Caption;
    }
  }
  // Nothing else in the folder: no file of a failed task, no temporary.
  for (const auto& entry : fs::directory_iterator(out))
    EXPECT_TRUE(kept.count(entry.path().filename().string())) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Presets, DamagedRunTest,
                         ::testing::Values(TPresetCase{"mp3", profiles::kClassAudio, 1, 2},
                                           TPresetCase{"avi", profiles::kClassVideo, 0, 3}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace mediaconv::convert::test
