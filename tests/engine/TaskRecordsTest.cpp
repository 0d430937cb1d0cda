#include "engine/tasks/TaskRecords.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/avutil.h>
}

namespace mediaconv::engine {
namespace {

static_assert(kNoTimestamp == AV_NOPTS_VALUE, "an unset time must read as the libraries' missing time stamp");

// The defaults that differ from "unset = -1 / empty / false": each one makes
// the encoder do something unless a caller changes it.
TEST(TaskRecords, DefaultsLeaveEveryChoiceToTheTranscoder) {
  const TInputOptions input;
  EXPECT_EQ(input.StartTime, AV_NOPTS_VALUE);
  EXPECT_EQ(input.ProgramID, -1);

  const TOutputOptions output;
  EXPECT_EQ(output.StartTime, AV_NOPTS_VALUE);
  EXPECT_EQ(output.RecordingTime, AV_NOPTS_VALUE);
  EXPECT_EQ(output.AudioSync, 0);
  EXPECT_EQ(output.VideoSync, -1);
  EXPECT_EQ(output.MuxDelay, -1.0f);
  EXPECT_EQ(output.Target, kTargetNone);
  EXPECT_EQ(output.TargetNorm, kTargetNormAuto);
  EXPECT_EQ(output.TargetNormDefault, 1);
  EXPECT_EQ(output.HookBitsPerPixel, 24);
  EXPECT_EQ(output.Metadata.Timestamp, -1.0);
  EXPECT_EQ(output.Metadata.Year, -1);
  EXPECT_EQ(output.Metadata.Track, -1);
  EXPECT_FALSE(output.Join);
  EXPECT_FALSE(output.DisableVideo);
}

}  // namespace
}  // namespace mediaconv::engine
