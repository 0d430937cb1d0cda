#include <gtest/gtest.h>

#include "download/QualityDialogModel.h"
#include "download/QualityTable.h"

namespace mediaconv::download {
namespace {

constexpr const char* kDefaultPreferLine =
    "Prefer: [HQ18] > [HQ35] > [HQ22] > [HQ6] > [HQ13] > [HQ17] > [HQ34] > [HQ37]";

TEST(QualityTableTest, SummaryLines) {
  EXPECT_EQ(QualitySummary(false, kDefaultRanking), "[Defatult Quality - HQ5]");
  EXPECT_EQ(QualitySummary(true, kDefaultRanking), kDefaultPreferLine);
  EXPECT_EQ(QualitySummary(true, kBestAvailableRanking),
            "Prefer: [HQ37] > [HQ22] > [HQ35] > [HQ18] > [HQ6] > [HQ34] > [HQ13] > [HQ17]");
}

struct TAttemptCase {
  int attempt;
  const char* code;
  const char* parameter;
  const char* extension;
  const char* label;
};
void PrintTo(const TAttemptCase& c, std::ostream* os) { *os << "attempt " << c.attempt; }

class AttemptTest : public ::testing::TestWithParam<TAttemptCase> {};

TEST_P(AttemptTest, QueriesOfTheDefaultRanking) {
  const TAttemptCase& c = GetParam();
  EXPECT_EQ(AttemptCode(kDefaultRanking, c.attempt), c.code);
  EXPECT_EQ(AttemptParameter(kDefaultRanking, c.attempt), c.parameter);
  EXPECT_EQ(AttemptExtension(kDefaultRanking, c.attempt), c.extension);
  EXPECT_EQ(AttemptLabel(kDefaultRanking, c.attempt), c.label);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AttemptTest,
    ::testing::Values(
        TAttemptCase{0, "[Default Quality - HQ5]", "", ".flv", "[Default Quality - HQ5]"},
        TAttemptCase{1, "[HQ18]", "&fmt=18", ".mp4", "[HQ18] - Format: MP4; Video: 480x360; Audio: Sterro"},
        TAttemptCase{2, "[HQ35]", "&fmt=35", ".flv", "[HQ35] - Format: FLV; Video: 640x360; Audio: Mono"},
        TAttemptCase{3, "[HQ22]", "&fmt=22", ".mp4", "[HQ22] - Format: MP4; Video: 1280x720; Audio: Sterro"},
        TAttemptCase{4, "[HQ6]", "&fmt=6", ".flv", "[HQ6] - Format: FLV; Video: 480x270; Audio: Mono"},
        TAttemptCase{5, "[HQ13]", "&fmt=13", ".3gp", "[HQ13] - Format: 3GP; Video: 176x144; Audio: Mono"},
        TAttemptCase{6, "[HQ17]", "&fmt=17", ".3gp", "[HQ17] - Format: 3GP; Video: 176x144; Audio: Sterro"},
        TAttemptCase{7, "[HQ34]", "&fmt=34", ".flv", "[HQ34] - Format: FLV; Video: 320x240; Audio: Mono"},
        TAttemptCase{8, "[HQ37]", "&fmt=37", ".mp4",
                     "[HQ37] - Format: MP4; Video: 1920x1080; Audio: Sterro"}));

TEST(QualityTableTest, RankingThroughTheSettings) {
  app::AppSettings settings;
  StoreRanking(settings, kBestAvailableRanking);
  EXPECT_EQ(settings.PreferYouTube1, 7);
  EXPECT_EQ(settings.PreferYouTube18, 5);
  EXPECT_EQ(RankingFromSettings(settings), kBestAvailableRanking);
  // A damaged entry gives the default ranking; repeated entries are kept.
  settings.PreferYouTube5 = 8;
  EXPECT_EQ(RankingFromSettings(settings), kDefaultRanking);
  StoreRanking(settings, TRanking{3, 3, 3, 3, 3, 3, 3, 3});
  EXPECT_EQ(RankingFromSettings(settings), (TRanking{3, 3, 3, 3, 3, 3, 3, 3}));
}

TEST(QualityTableTest, CodesMapBackToTheirIndex) {
  for (int index = 0; index < kQualityCount; ++index)
    EXPECT_EQ(QualityIndexOfCode(QualityFormats()[index].Code), index);
  EXPECT_EQ(QualityIndexOfCode("[HQ5]"), 0);
}

TEST(QualityDialogModelTest, BestAvailableThenOkLeadsWithHq37Hq22) {
  TQualityDialogModel model(kDefaultRanking);
  model.LoadBestAvailable();
  EXPECT_EQ(QualitySummary(true, model.Ranking()).rfind("Prefer: [HQ37] > [HQ22] > ", 0), 0u);
  model.LoadDefault();
  EXPECT_EQ(QualitySummary(true, model.Ranking()), kDefaultPreferLine);
}

TEST(QualityDialogModelTest, MovingTheFirstRowDownSwapsTheFirstTwo) {
  TQualityDialogModel model(kDefaultRanking);
  EXPECT_EQ(model.MoveDown(0), 1);
  EXPECT_EQ(model.Ranking(), (TRanking{2, 1, 3, 0, 4, 5, 6, 7}));
  EXPECT_EQ(model.Rows()[0]->Code, "[HQ35]");
  EXPECT_EQ(model.Rows()[0]->Video, "640x360");
}

TEST(QualityDialogModelTest, EdgesAndNoSelectionMoveNothing) {
  TQualityDialogModel model(kDefaultRanking);
  EXPECT_EQ(model.MoveUp(0), 0);
  EXPECT_EQ(model.MoveDown(7), 7);
  EXPECT_EQ(model.MoveUp(-1), -1);
  EXPECT_EQ(model.MoveDown(-1), -1);
  EXPECT_EQ(model.Ranking(), kDefaultRanking);
  EXPECT_EQ(model.MoveUp(7), 6);
  EXPECT_EQ(model.Ranking(), (TRanking{1, 2, 3, 0, 4, 5, 7, 6}));
}

}  // namespace
}  // namespace mediaconv::download
