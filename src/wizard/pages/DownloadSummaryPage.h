#pragma once
#include "wizard/pages/SummaryPage.h"

namespace mediaconv::wizard {

// Step7: the download summary, from which the stored files go to the
// converter.
class TDownloadSummaryPage : public TSummaryPage {
  Q_OBJECT
 public:
  static constexpr const char* kConvertCaption = "Convert the downloaded file(s) now! ";

  TDownloadSummaryPage(const QString& finishedText, const QString& hint, QWidget* parent = nullptr);

  // The files the last run stored.
  const QStringList& DownloadedFiles() const { return downloaded_; }
  void SetDownloadedFiles(const QStringList& files) { downloaded_ = files; }

  ui::TLinkLabel* ConvertLink() const { return convert_; }

 private:
  ui::TLinkLabel* convert_;
  QStringList downloaded_;
};

}  // namespace mediaconv::wizard
