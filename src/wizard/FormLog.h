#pragma once
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace mediaconv::wizard {

class TDialogs;

// The log window: every line the engine's logger delivers and every problem
// the wizard reports about a file, for the whole life of the process. It
// stays on top, is not modal, and keeps its place under "FormLog".
class TFormLog : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMinWidth = 265;
  static constexpr int kMinHeight = 125;
  static constexpr int kButtonGap = 8;
  static constexpr const char* kSaveFilter =
      "Log-Files (*.log)|*.log|Text-Files (*.txt)|*.txt|All Files (*.*)|*.*";

  explicit TFormLog(TDialogs& dialogs, QWidget* parent = nullptr);

  // The settings file that holds the window's place; set once it is known.
  void SetSettingsFile(const QString& file) { settingsFile_ = file; }

  void AppendLog(const QString& line);
  QString Text() const;

  QPushButton* OkButton() const { return ok_; }
  QPushButton* DeleteButton() const { return delete_; }
  QPushButton* SaveButton() const { return save_; }

  // "&Delete Log" and "&Save Log..." (the buttons' actions).
  void DeleteLog();
  void SaveLog();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LayoutButtons();

  TDialogs& dialogs_;
  QString settingsFile_;
  QPlainTextEdit* text_;
  QWidget* strip_;
  QPushButton* ok_;
  QPushButton* delete_;
  QPushButton* save_;
};

}  // namespace mediaconv::wizard
