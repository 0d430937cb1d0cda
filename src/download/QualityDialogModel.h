#pragma once
#include <vector>

#include "download/QualityTable.h"

namespace mediaconv::download {

// The rows of the quality dialog: the ranking being edited. The dialog
// shows each row's code, format, video and audio from the format table.
class TQualityDialogModel {
 public:
  explicit TQualityDialogModel(const TRanking& ranking) { Load(ranking); }

  const std::vector<const TQualityFormat*>& Rows() const { return rows_; }
  // Moves the selected row one place; returns the row's new index (the
  // selection stays on it), or the unchanged selection when it cannot move.
  int MoveUp(int selected);
  int MoveDown(int selected);
  void LoadDefault() { Load(kDefaultRanking); }
  void LoadBestAvailable() { Load(kBestAvailableRanking); }
  // The ranking OK stores: each row's code mapped back to its index.
  TRanking Ranking() const;

 private:
  void Load(const TRanking& ranking);

  std::vector<const TQualityFormat*> rows_;
};

}  // namespace mediaconv::download
