#pragma once
#include <QString>

#include "convert/ConversionRun.h"

class QWidget;

namespace mediaconv::wizard {

class TDialogs;
class TProgressPage;
class TSessionServices;
class TSummaryPage;

// What the window does for the progress and summary pages beyond them.
class TRunWindow {
 public:
  virtual ~TRunWindow() = default;
  virtual void AppendRunLog(const QString& line) = 0;
  // Step4 with its set-up.
  virtual void ShowSummaryPage() = 0;
  virtual QWidget* RunWindow() = 0;
};

// The conversion run as Step3 and Step4 show it: the progress list, the
// status box, the completion actions and the summary.
class TConversionView : public convert::TRunView {
 public:
  TConversionView(TRunWindow& window, TProgressPage& progress, TSummaryPage& summary, TDialogs& dialogs,
                  TSessionServices& session, QString editionName);

  void AppendLog(const std::string& line) override;
  void ShowRunLayout(const convert::TRunLayout& layout) override;
  void ProgressListCleared() override;
  void ProgressRowAdded(int index, const convert::TProgressRow& row) override;
  void ProgressRowChanged(int index, const convert::TProgressRow& row) override;
  void ShowCurrentFile(const std::string& text) override;
  void ShowProgress(const convert::TProgressDisplay& display) override;
  void PlaySound(const std::string& path) override;
  bool RunShutdownCountdown() override;
  void Shutdown() override;
  void ShowSummary(const convert::TSummary& summary) override;

 private:
  TRunWindow& window_;
  TProgressPage& progress_;
  TSummaryPage& summary_;
  TDialogs& dialogs_;
  TSessionServices& session_;
  QString editionName_;
};

// The notification of a run that ended while the window was not active.
QString RunEndedNotice(const convert::TSummary& summary);

}  // namespace mediaconv::wizard
