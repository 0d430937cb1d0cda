#include <gtest/gtest.h>

#include "convert/Completion.h"
#include "convert/ProgressTexts.h"
#include "convert/RunTexts.h"

namespace mediaconv::convert {
namespace {

TEST(AddDialogFilter, FourEntriesWithTheirPatterns) {
  const std::vector<TFilterEntry> entries = AddDialogFilterEntries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].Caption, "All Supported Formats");
  EXPECT_EQ(entries[0].Patterns.size(), 42u);
  EXPECT_EQ(entries[0].Patterns.front(), "*.AVI");
  EXPECT_EQ(entries[0].Patterns.back(), "*.DTS");
  EXPECT_EQ(entries[1].Caption, "All Video Formats (all types)");
  EXPECT_EQ(entries[1].Patterns.size(), 22u);
  EXPECT_EQ(entries[2].Caption, "All Audio Formats (all types)");
  EXPECT_EQ(entries[2].Patterns.size(), 20u);
  EXPECT_EQ(entries[3].Caption, "All Files");
  EXPECT_EQ(entries[3].Patterns, std::vector<std::string>{"*.*"});
}

TEST(ShutdownText, ThreeLinesWithTheEditionName) {
  EXPECT_EQ(ShutdownText("Any Video Converter"),
            "If you don't press cancel now, \nAny Video Converter\nwill shut down the computer.");
}

TEST(RunTimeTexts, TenMinutesQueuedAQuarterDoneInThirtySeconds) {
  const TTimeTexts texts = RunTimeTexts(600'000'000, 0, 150'000'000, 30.0);
  EXPECT_EQ(texts.Estimated, "0:02:00");
  EXPECT_EQ(texts.Elapsed, "0:00:30");
  EXPECT_EQ(texts.Left, "0:01:30");
  EXPECT_EQ(texts.OverallPercent, 25);
}

TEST(RunTimeTexts, NothingOfKnownDurationQueuedHasNoEstimate) {
  const TTimeTexts texts = RunTimeTexts(0, 0, 150'000'000, 30.0);
  EXPECT_EQ(texts.Estimated, "N/A");
  EXPECT_EQ(texts.Left, "N/A");
  EXPECT_EQ(texts.Elapsed, "0:00:30");
  EXPECT_EQ(texts.OverallPercent, -1);
}

TEST(RunTimeTexts, MoreDoneThanQueuedNeverShowsNegativeTimeLeft) {
  // Durations that the probe under-reported: the output runs past them.
  const TTimeTexts texts = RunTimeTexts(60'000'000, 50'000'000, 40'000'000, 45.0);
  EXPECT_EQ(texts.Estimated, "0:00:45");
  EXPECT_EQ(texts.Left, "0:00:00");
  EXPECT_EQ(texts.OverallPercent, 100);
}

TEST(RunTimeTexts, FortyMinuteFilesAddUpPastThirtyTwoBits) {
  const int64_t forty = 2'400'000'000;
  const TTimeTexts texts = RunTimeTexts(3 * forty, forty, forty / 2, 600.0);
  EXPECT_EQ(texts.Estimated, "0:20:00");
  EXPECT_EQ(texts.OverallPercent, 50);
}

TEST(ClockText, HoursWithoutLeadingZeroAndWithoutWrappingAtADay) {
  EXPECT_EQ(ClockText(0), "0:00:00");
  EXPECT_EQ(ClockText(59.999), "0:00:59");
  EXPECT_EQ(ClockText(3 * 3600 + 7 * 60 + 5), "3:07:05");
  EXPECT_EQ(ClockText(25 * 3600), "25:00:00");
  EXPECT_EQ(ClockText(-5), "0:00:00");
}

TEST(TaskPercent, IntegerDivisionClampedToTheBar) {
  EXPECT_EQ(TaskPercent(1'999'999, 2'000'000), 99);
  EXPECT_EQ(TaskPercent(3'000'000, 2'000'000), 100);
  EXPECT_EQ(TaskPercent(-10, 2'000'000), 0);
  EXPECT_EQ(TaskPercent(INT64_MAX / 2, 2'000'000), 100);
}

TEST(CompletionSound, FailWhenAnyTaskDidNotSucceed) {
  EXPECT_EQ(CompletionSound(true, 1, 2), "sounds/fail.wav");
  EXPECT_EQ(CompletionSound(true, 2, 2), "sounds/done.wav");
  EXPECT_EQ(CompletionSound(false, 1, 2), "");
}

}  // namespace
}  // namespace mediaconv::convert
