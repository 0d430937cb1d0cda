#include "download/QualityDialogModel.h"

#include <utility>

namespace mediaconv::download {

void TQualityDialogModel::Load(const TRanking& ranking) {
  rows_.clear();
  for (uint8_t index : ranking)
    if (index < kQualityCount) rows_.push_back(&QualityFormats()[index]);
}

int TQualityDialogModel::MoveUp(int selected) {
  if (selected <= 0 || selected >= static_cast<int>(rows_.size())) return selected;
  std::swap(rows_[selected], rows_[selected - 1]);
  return selected - 1;
}

int TQualityDialogModel::MoveDown(int selected) {
  if (selected < 0 || selected + 1 >= static_cast<int>(rows_.size())) return selected;
  std::swap(rows_[selected], rows_[selected + 1]);
  return selected + 1;
}

TRanking TQualityDialogModel::Ranking() const {
  TRanking ranking = kDefaultRanking;
  for (size_t i = 0; i < rows_.size() && i < ranking.size(); ++i)
    ranking[i] = static_cast<uint8_t>(QualityIndexOfCode(rows_[i]->Code));
  return ranking;
}

}  // namespace mediaconv::download
