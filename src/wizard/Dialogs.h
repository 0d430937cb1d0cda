#pragma once
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;

namespace mediaconv::wizard {

enum TAnswer { anYes, anNo, anCancel };

// Every message box and file or folder dialog of the windows goes through
// here, so that tests answer them and nothing modal blocks a test.
class TDialogs {
 public:
  virtual ~TDialogs() = default;

  // The caption of the message boxes: the edition name.
  void SetCaption(const QString& caption) { caption_ = caption; }
  const QString& Caption() const { return caption_; }

  // Information icon and OK.
  virtual void Notice(QWidget* parent, const QString& text) = 0;
  // Information icon, OK and Cancel; true on OK.
  virtual bool NoticeOkCancel(QWidget* parent, const QString& text) = 0;
  // Question icon, Yes and No; true on Yes.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
  // Question icon (with its beep), Yes, No and Cancel, under its own title.
  virtual TAnswer AskYesNoCancel(QWidget* parent, const QString& title, const QString& text) = 0;
  // The platform's error box.
  virtual void Error(QWidget* parent, const QString& text) = 0;

  virtual std::optional<QString> SelectFolder(QWidget* parent, const QString& title,
                                              const QString& initialFolder) = 0;
  // filter in the "Description|*.a;*.b|..." form.
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                              const QString& defaultSuffix) = 0;
  virtual QStringList OpenFileNames(QWidget* parent, const QString& folder, const QString& filter) = 0;

  // Runs a window modally; returns its result.
  virtual int ShowModal(QDialog& dialog) = 0;

 private:
  QString caption_;
};

// Dialogs that show nothing and answer no, for windows drawn or timed
// without a user (pictures, benchmarks).
class TSilentDialogs : public TDialogs {
 public:
  explicit TSilentDialogs(bool okCancelAnswer = false) : okCancelAnswer_(okCancelAnswer) {}
  void Notice(QWidget*, const QString&) override {}
  bool NoticeOkCancel(QWidget*, const QString&) override { return okCancelAnswer_; }
  bool Confirm(QWidget*, const QString&) override { return false; }
  TAnswer AskYesNoCancel(QWidget*, const QString&, const QString&) override { return anNo; }
  void Error(QWidget*, const QString&) override {}
  std::optional<QString> SelectFolder(QWidget*, const QString&, const QString&) override { return {}; }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
  QStringList OpenFileNames(QWidget*, const QString&, const QString&) override { return {}; }
  int ShowModal(QDialog&) override { return 0; }

 private:
  bool okCancelAnswer_;
};

// The dialogs on screen.
class TQtDialogs : public TDialogs {
 public:
  void Notice(QWidget* parent, const QString& text) override;
  bool NoticeOkCancel(QWidget* parent, const QString& text) override;
  bool Confirm(QWidget* parent, const QString& text) override;
  TAnswer AskYesNoCancel(QWidget* parent, const QString& title, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
  std::optional<QString> SelectFolder(QWidget* parent, const QString& title,
                                      const QString& initialFolder) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                      const QString& defaultSuffix) override;
  QStringList OpenFileNames(QWidget* parent, const QString& folder, const QString& filter) override;
  int ShowModal(QDialog& dialog) override;
};

// "Log-Files (*.log)|*.log|All Files (*.*)|*.*" as Qt's name filters:
// one "Description (patterns)" per pair, "*.*" meaning every file.
QStringList NameFilters(const QString& filter);

}  // namespace mediaconv::wizard
