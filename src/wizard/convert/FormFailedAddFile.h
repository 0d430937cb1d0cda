#pragma once
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QTreeWidget;

namespace mediaconv::wizard {

// "Failed to Add Files": one line per file that could not be added, "Close"
// and "More Information..." (the edition's support page).
class TFormFailedAddFile : public QDialog {
  Q_OBJECT

 public:
  TFormFailedAddFile(const std::vector<std::string>& errors, std::function<void()> moreInformation,
                     QWidget* parent = nullptr);

  QStringList Entries() const;
  void ShowMoreInformation() {
    if (moreInformation_) moreInformation_();
  }

 private:
  std::function<void()> moreInformation_;
  QTreeWidget* list_;
};

}  // namespace mediaconv::wizard
