#pragma once
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "convert/FileList.h"
#include "convert/RunTexts.h"

class QAction;
class QListView;
class QMenu;
class QPushButton;

namespace mediaconv::app {
struct AppSettings;
}

namespace mediaconv::wizard {

class TDialogs;
class TFileListModel;

// Step1: the files to convert, in conversion order: a grid of slides over
// the file-list model, the buttons beside it and the same actions in the
// grid's pop-up menu.
class TFileListPage : public QWidget, private convert::TFileListView {
  Q_OBJECT
 public:
  TFileListPage(engine::TFFDecoder& prober, TDialogs& dialogs, app::AppSettings& settings,
                QWidget* parent = nullptr);
  ~TFileListPage() override;

  convert::TFileList& Files() { return files_; }
  int Count() const { return files_.Count(); }
  void Clear();
  // Probes and lists the files (busy cursor while it works).
  void AddFiles(const QStringList& names);
  // A drop of local files and folders: those the list takes are added.
  void AddDroppedFiles(const QStringList& names);
  // Shows the actions' states again (the model shows the rows by itself).
  void Refresh();
  // "More Information..." of the failed window.
  void SetSupportPage(std::function<void()> open) { openSupportPage_ = std::move(open); }

  // The actions of the page.
  void AddVideo();
  void DeleteSelected();
  void MoveUp();
  void MoveDown();
  void PlaySelected();

  QListView* Grid() const { return grid_; }
  TFileListModel* Model() const { return model_.get(); }
  QAction* Action(convert::TFileListAction action) const { return actions_[size_t(action)]; }
  QPushButton* Button(convert::TFileListAction action) const { return buttons_[size_t(action)]; }
  QMenu* PopupMenu() const { return menu_; }

 signals:
  void LogLine(const QString& line);

 private:
  void AppendLog(const std::string& line) override;
  void ShowFailedFiles(const std::vector<std::string>& errors) override;
  int TextWidth(const std::string& text) override;
  void UpdateActions();
  void CreateActions();
  void SelectRow(int row);

  TDialogs& dialogs_;
  app::AppSettings& settings_;
  convert::TFileList files_;
  std::unique_ptr<TFileListModel> model_;
  QListView* grid_;
  QMenu* menu_;
  std::array<QAction*, convert::kFileListActionCount> actions_{};
  std::array<QPushButton*, convert::kFileListActionCount> buttons_{};
  std::function<void()> openSupportPage_;
};

}  // namespace mediaconv::wizard
