#pragma once
#include <QWidget>

class QRadioButton;

namespace mediaconv::ui {
class TLinkLabel;
}

namespace mediaconv::wizard {

// Mode: download from the video service or convert files.
class TModePage : public QWidget {
  Q_OBJECT
 public:
  explicit TModePage(QWidget* parent = nullptr);

  // The two pictures from the skin folder; a missing one shows nothing.
  void SetPictures(const QPixmap& download, const QPixmap& convert);

  QRadioButton* DownloadChoice() const { return download_; }
  QRadioButton* ConvertChoice() const { return convert_; }
  ui::TLinkLabel* DownloadPicture() const { return downloadPicture_; }
  ui::TLinkLabel* ConvertPicture() const { return convertPicture_; }

 private:
  QRadioButton* download_;
  QRadioButton* convert_;
  ui::TLinkLabel* downloadPicture_;
  ui::TLinkLabel* convertPicture_;
};

}  // namespace mediaconv::wizard
