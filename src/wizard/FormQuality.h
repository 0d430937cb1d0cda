#pragma once
#include <QDialog>

#include "download/QualityDialogModel.h"

class QPushButton;
class QTreeWidget;

namespace mediaconv::wizard {

// "Prefer YouTube high quality": the ranking of the format codes, edited
// over the dialog model; OK accepts, the caller stores Ranking().
class TFormQuality : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kWidth = 466;
  static constexpr int kHeight = 198;
  static constexpr int kColumnWidth = 80;
  static constexpr const char* kCaption = "Prefer YouTube high quality";

  explicit TFormQuality(const download::TRanking& ranking, QWidget* parent = nullptr);

  download::TRanking Ranking() const { return model_.Ranking(); }

  QTreeWidget* List() const { return list_; }
  QPushButton* UpButton() const { return up_; }
  QPushButton* DownButton() const { return down_; }
  QPushButton* DefaultButton() const { return default_; }
  QPushButton* BestButton() const { return best_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  void Move(int (download::TQualityDialogModel::*move)(int));
  void Reload(void (download::TQualityDialogModel::*load)());
  void ShowRows(int selected);

  download::TQualityDialogModel model_;
  QTreeWidget* list_;
  QPushButton* up_;
  QPushButton* down_;
  QPushButton* default_;
  QPushButton* best_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace mediaconv::wizard
