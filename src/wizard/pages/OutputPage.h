#pragma once
#include <QWidget>
#include <array>
#include <vector>

#include "app/FormatFlags.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace mediaconv::app {
struct AppSettings;
}

namespace mediaconv::ui {
class TImageButton;
class TImageComboBox;
class TPageControl;
}  // namespace mediaconv::ui

namespace mediaconv::wizard {

class TDialogs;

// Step2: the output folder, the class and format buttons and the preset
// lists of the formats.
class TOutputPage : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kPageWidth = 560;
  static constexpr int kFormatPagesWidth = 529;

  TOutputPage(TDialogs& dialogs, app::AppSettings& settings, QWidget* parent = nullptr);

  // The class and format button images of the program's "images" folder;
  // a button without its images shows its caption instead.
  void LoadButtonImages(const QString& imagesFolder);

  // Shows the buttons the edition offers, packed into their grids.
  void LayOutButtons(const app::TFormatFlags& flags);

  // Fills the page from the settings, and takes its choices back into them.
  void LoadOutputPage();
  void SaveOutputPage();

  // "Select...": the folder browser; on OK the box and the setting take the
  // folder with a trailing separator.
  void SelectFolder();

  QLineEdit* FolderEdit() const { return folder_; }
  QPushButton* SelectButton() const { return select_; }
  ui::TImageButton* ClassButton(int classId) const { return classButtons_[size_t(classId)]; }
  ui::TImageButton* FormatButton(int catalogueIndex) const { return formatButtons_[size_t(catalogueIndex)]; }
  ui::TImageComboBox* PresetList(int catalogueIndex) const { return presetLists_[size_t(catalogueIndex)]; }
  ui::TPageControl* FormatPages() const { return formatPages_; }

 private:
  void ShowClass(int classId);
  void ShowFormat(int classId, int formatId);

  TDialogs& dialogs_;
  app::AppSettings& settings_;
  QLineEdit* folder_;
  QPushButton* select_;
  std::array<ui::TImageButton*, app::kFormatClassCount> classButtons_{};
  ui::TPageControl* formatPages_;
  std::array<ui::TImageButton*, app::kFormatFlagCount> formatButtons_{};
  std::array<ui::TImageComboBox*, app::kFormatFlagCount> presetLists_{};
};

}  // namespace mediaconv::wizard
