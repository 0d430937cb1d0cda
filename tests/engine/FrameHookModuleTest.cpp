#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/loader/FFLoader.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "support/Fixtures.h"
#include "support/LogCapture.h"
#include "support/LogLines.h"

using namespace mediaconv::engine;
using namespace mediaconv::test;

namespace {

// A frame-hook module: Configure writes its arguments to the file named by
// argv[1] and takes the luma value to paint from argv[2]; Process paints the
// luma plane of yuv420p pictures and notes format, size and timestamp;
// Release notes how many pictures it saw. Built with -DNO_PROCESS or
// -DFAIL_CONFIGURE for the failure cases.
constexpr const char* kModuleSource = R"(
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
struct Hook { FILE* record; int luma; int calls; };
int Configure(void** context, int argc, char* argv[]) {
#ifdef FAIL_CONFIGURE
  return -1;
#endif
  if (argc < 3) return 1;
  struct Hook* hook = calloc(1, sizeof *hook);
  hook->record = fopen(argv[1], "w");
  if (!hook->record) { free(hook); return 1; }
  hook->luma = atoi(argv[2]);
  fprintf(hook->record, "argc %d\n", argc);
  for (int i = 0; i < argc; ++i) fprintf(hook->record, "argv %s\n", argv[i]);
  fprintf(hook->record, "argv-end %s\n", argv[argc] ? "set" : "null");
  *context = hook;
  return 0;
}
#ifndef NO_PROCESS
void Process(void* context, uint8_t* data[4], int linesize[4], int pixelFormat, int width, int height,
             int64_t pts) {
  struct Hook* hook = context;
  if (hook->calls++ < 2) fprintf(hook->record, "frame %d %dx%d %lld\n", pixelFormat, width, height, (long long)pts);
  if (pixelFormat != 0) return;
  for (int y = 0; y < height; ++y) memset(data[0] + (size_t)y * linesize[0], hook->luma, (size_t)width);
}
#endif
void Release(void* context) {
  struct Hook* hook = context;
  fprintf(hook->record, "released %d\n", hook->calls);
  fclose(hook->record);
  free(hook);
}
)";

struct TRun {
  bool failed = false;
  std::string error;
  std::vector<std::string> errors;  // lines logged at llError
};

TRun Convert(const std::string& input, const std::string& output, const std::string& outputOptions) {
  TRun run;
  TCustomFFmpeg core;
  TLogCapture log(&core, std::nullopt);
  core.OnEnd = [&run](TCustomFFmpeg& sender) {
    run.failed = sender.Failed();
    run.error = sender.ErrorMessage();
  };
  try {
    core.ApplyInputOptionText(input, "", TInputFields{});
    core.ApplyOutputOptionText(output, false, outputOptions, TOutputFields{});
    core.Start(false);
  } catch (const std::exception& e) {
    run.failed = true;
    run.error = e.what();
  }
  run.errors = log.Lines(llError);
  return run;
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class FrameHookModuleTest : public ::testing::Test {
 protected:
  // Modules are kept loaded per path for the process, so each variant gets its own file.
  std::string BuildModule(const std::string& name, const std::string& defines = "") {
    const std::string source = folder_ + "/hook.c", module = folder_ + "/" + name + ".so";
    std::ofstream(source) << kModuleSource;
    const auto built = RunCommand("cc -std=c99 -shared -fPIC " + defines + " -o " + ShellQuote(module) + " " +
                                  ShellQuote(source) + " 2>&1");
    EXPECT_EQ(built.exitCode, 0) << built.output;
    return module;
  }

  std::string folder_ = TempFolder("vhook");
};

// 64x48 at 25 fps, 10 frames, lossless so painted values survive exactly.
std::string Source() {
  return MediaFixture("vhook-source.mkv", "-f lavfi -i testsrc2=size=64x48:rate=25:duration=0.4 -c:v ffv1");
}

TEST_F(FrameHookModuleTest, ModulePaintsEveryPictureWithItsArguments) {
  const std::string module = BuildModule("paint");
  const std::string record = folder_ + "/record.txt", out = folder_ + "/out.mkv";
  const TRun run = Convert(Source(), out, "vcodec=ffv1\nvhook=" + module + " " + record + " 37");
  ASSERT_FALSE(run.failed) << run.error;

  const auto lines = Lines(record);
  const std::vector<std::string> expected = {
      "argc 3",        "argv " + module,  "argv " + record,      "argv 37",
      "argv-end null", "frame 0 64x48 0", "frame 0 64x48 40000", "released 10"};
  EXPECT_EQ(lines, expected);

  // Every luma sample of every output picture is the painted value (read
  // as yuv420p: a gray conversion would rescale the range).
  const auto raw = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(out) +
                              " -f rawvideo -pix_fmt yuv420p - 2>/dev/null");
  constexpr size_t kLuma = 64 * 48, kPicture = kLuma * 3 / 2;
  ASSERT_EQ(raw.output.size(), kPicture * 10);
  for (size_t frame = 0; frame < 10; ++frame) {
    const auto begin = raw.output.begin() + frame * kPicture;
    const auto wrong = std::find_if(begin, begin + kLuma, [](char c) { return c != 37; });
    ASSERT_EQ(wrong - begin, long(kLuma))
        << "frame " << frame << " has " << int(static_cast<unsigned char>(*wrong));
  }
}

// "|" separates the words when present, so an argument may hold spaces.
TEST_F(FrameHookModuleTest, BarSeparatedArgumentsKeepTheirSpaces) {
  const std::string module = BuildModule("bars");
  const std::string record = folder_ + "/with space.txt", out = folder_ + "/out.mkv";
  const TRun run = Convert(Source(), out, "vcodec=ffv1\nvhook=" + module + "|" + record + "|200");
  ASSERT_FALSE(run.failed) << run.error;
  const auto lines = Lines(record);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2], "argv " + record);
  EXPECT_EQ(lines[3], "argv 200");
}

struct TFailure {
  const char* name;
  const char* defines;  // empty name: the module file does not exist
  const char* logged;   // start of the line logged at llError
};

TEST_F(FrameHookModuleTest, UnusableModulesFailWithTheirReason) {
  const std::vector<TFailure> cases = {
      {"", "", ""},
      {"noprocess", "-DNO_PROCESS", "Failed to find Process entrypoint in "},
      {"badconfigure", "-DFAIL_CONFIGURE", "Failed to Configure "},
  };
  for (const TFailure& c : cases) {
    SCOPED_TRACE(c.defines);
    const std::string module = *c.name ? BuildModule(c.name, c.defines) : folder_ + "/missing.so";
    const std::string option = module + " " + folder_ + "/unused.txt 1";
    const TRun run = Convert(Source(), folder_ + "/fail.mkv", "vcodec=ffv1\nvhook=" + option);
    EXPECT_TRUE(run.failed);
    EXPECT_EQ(run.error, "Failed to add video hook function: " + option);
    ASSERT_EQ(run.errors.size(), 1u);
    // The loader's own reason names the missing file.
    const std::string expected = *c.logged ? c.logged + module + "\n" : run.errors[0];
    EXPECT_EQ(run.errors[0], expected);
    EXPECT_NE(run.errors[0].find(module), std::string::npos) << run.errors[0];
  }
}

}  // namespace
