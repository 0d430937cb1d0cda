#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

namespace mediaconv::ui {
class TLinkLabel;
}

namespace mediaconv::wizard {

// The About window. It reads the edition file each time it opens.
class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  TFormAbout(const QString& exeFolder, const QString& editionFile, QWidget* parent = nullptr);

  QLabel* TitleLine() const { return title_; }
  QLabel* CopyrightLine() const { return copyright_; }
  ui::TLinkLabel* WebLabel() const { return web_; }
  ui::TLinkLabel* SupportLabel() const { return support_; }
  ui::TLinkLabel* Logo() const { return logo_; }
  QPushButton* UpdatesButton() const { return updates_; }
  QPushButton* OkButton() const { return ok_; }
  QWidget* LeftPanel() const { return leftPanel_; }
  QWidget* PageArea() const { return pageArea_; }

 private:
  QLabel* title_;
  QLabel* copyright_;
  ui::TLinkLabel* web_;
  ui::TLinkLabel* support_;
  ui::TLinkLabel* logo_;
  QPushButton* updates_;
  QPushButton* ok_;
  QWidget* leftPanel_;
  QWidget* pageArea_;
};

}  // namespace mediaconv::wizard
