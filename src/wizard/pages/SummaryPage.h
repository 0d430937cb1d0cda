#pragma once
#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace mediaconv::convert {
struct TSummary;
}

namespace mediaconv::ui {
class TLinkLabel;
}

namespace mediaconv::wizard {

// Step4 and Step7: what a run did, with the counts, an error box and
// "Open folder". The download summary adds its convert link.
class TSummaryPage : public QWidget {
  Q_OBJECT
 public:
  // finishedText: "%s has finished the conversion." with the name in place.
  TSummaryPage(const QString& finishedText, const QString& hint, QWidget* parent = nullptr);

  void ShowCounts(int total, int succeeded, int failed);
  // Hidden when there are no lines.
  void ShowErrors(const QStringList& lines);

  QLabel* FinishedLabel() const { return finished_; }
  QLabel* HintLabel() const { return hint_; }
  QLabel* TotalValue() const { return total_; }
  QLabel* SucceededValue() const { return succeeded_; }
  QLabel* FailedValue() const { return failed_; }
  QPlainTextEdit* ErrorBox() const { return errors_; }
  ui::TLinkLabel* OpenFolderLink() const { return openFolder_; }

 protected:
  // Where a page adds its own controls, above the hint line.
  QWidget* Extras() const { return extras_; }

 private:
  QLabel* finished_;
  QLabel* hint_;
  QLabel* total_;
  QLabel* succeeded_;
  QLabel* failed_;
  QPlainTextEdit* errors_;
  ui::TLinkLabel* openFolder_;
  QWidget* extras_;
};

}  // namespace mediaconv::wizard
