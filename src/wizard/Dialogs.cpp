#include "wizard/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace mediaconv::wizard {

QStringList NameFilters(const QString& filter) {
  const QStringList parts = filter.split('|', Qt::SkipEmptyParts);
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
      if (pattern == "*.*") pattern = "*";
    QString description = parts[i];
    // A description that names its patterns already keeps them for the eye;
    // Qt reads the patterns from the last parentheses.
    const qsizetype open = description.lastIndexOf('(');
    if (open > 0 && description.endsWith(')')) description = description.left(open).trimmed();
    filters << description + " (" + patterns.join(' ') + ")";
  }
  return filters;
}

void TQtDialogs::Notice(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, Caption(), text, QMessageBox::Ok);
}

bool TQtDialogs::Confirm(QWidget* parent, const QString& text) {
  return QMessageBox::question(parent, Caption(), text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

TAnswer TQtDialogs::AskYesNoCancel(QWidget* parent, const QString& title, const QString& text) {
  QApplication::beep();
  const auto button =
      QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  return button == QMessageBox::Yes ? anYes : button == QMessageBox::No ? anNo : anCancel;
}

void TQtDialogs::Error(QWidget* parent, const QString& text) {
  QMessageBox::critical(parent, Caption(), text, QMessageBox::Ok);
}

std::optional<QString> TQtDialogs::SelectFolder(QWidget* parent, const QString& title,
                                                const QString& initialFolder) {
  const QString folder =
      QFileDialog::getExistingDirectory(parent, title, initialFolder, QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<QString> TQtDialogs::SaveFileName(QWidget* parent, const QString& filter,
                                                const QString& defaultSuffix) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(NameFilters(filter));
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

QStringList TQtDialogs::OpenFileNames(QWidget* parent, const QString& folder, const QString& filter) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDirectory(folder);
  dialog.setNameFilters(NameFilters(filter));
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

int TQtDialogs::ShowModal(QDialog& dialog) { return dialog.exec(); }

}  // namespace mediaconv::wizard
