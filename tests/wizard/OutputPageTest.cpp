// Step2: the preset lists on a first run, a stored index the list lacks,
// and class and format switches that keep the other choices.
#include <QTest>

#include "WizardTestSupport.h"
#include "profiles/FormatCatalogue.h"
#include "ui/ImageButton.h"
#include "ui/ImageComboBox.h"
#include "wizard/pages/OutputPage.h"

namespace mediaconv::wizard::test {

using mediaconv::test::FullEdition;
using mediaconv::test::TWizardFixture;

int CatalogueIndex(int classId, int formatId) {
  return profiles::FindFormat(classId, formatId)->CatalogueIndex;
}

class OutputPageTest : public QObject {
  Q_OBJECT

 private slots:
  void FirstRunShowsEachFormatsDefaultPreset() {
    TWizardFixture f(FullEdition());
    TOutputPage& page = *f.window->OutputPage();
    page.LoadOutputPage();
    QCOMPARE(page.PresetList(CatalogueIndex(profiles::kClassVideo, 6))->ItemIndex(), 16);  // WMV
    QCOMPARE(page.PresetList(CatalogueIndex(profiles::kClassAudio, 6))->ItemIndex(), 5);   // FLAC
    QCOMPARE(page.PresetList(CatalogueIndex(profiles::kClassDevice, 6))->ItemIndex(), 0);  // iPad
    QCOMPARE(page.PresetList(CatalogueIndex(profiles::kClassVideo, 0))->count(), 29);      // AVI
    QCOMPARE(page.PresetList(CatalogueIndex(profiles::kClassVideo, 0))->itemText(21),
             QString("Nindendo Wii Clip"));
    int captions = 0;
    for (const profiles::TFormatInfo& format : profiles::AllFormats())
      captions += page.PresetList(format.CatalogueIndex)->count();
    QCOMPARE(captions, 177);
  }

  void AnIndexTheListLacksShowsNoneAndIsStoredAsMinusOne() {
    TWizardFixture f(FullEdition());
    f.window->Settings().OutputiPhonePreset = 7;
    TOutputPage& page = *f.window->OutputPage();
    page.LoadOutputPage();
    QCOMPARE(page.PresetList(CatalogueIndex(profiles::kClassDevice, 1))->ItemIndex(), -1);
    page.SaveOutputPage();
    QCOMPARE(f.window->Settings().OutputiPhonePreset, -1);
  }

  void SwitchingTheClassKeepsEachClasssFormat() {
    TWizardFixture f(FullEdition());
    app::AppSettings& settings = f.window->Settings();
    TOutputPage& page = *f.window->OutputPage();
    page.LoadOutputPage();
    page.ClassButton(profiles::kClassAudio)->click();
    page.FormatButton(CatalogueIndex(profiles::kClassAudio, 6))->click();  // FLAC
    page.ClassButton(profiles::kClassVideo)->click();
    page.FormatButton(CatalogueIndex(profiles::kClassVideo, 7))->click();  // MOV
    page.ClassButton(profiles::kClassAudio)->click();
    QCOMPARE(int(settings.OutputFormatClass), profiles::kClassAudio);
    QCOMPARE(int(settings.OutputAudioFormat), 6);
    QCOMPARE(int(settings.OutputVideoFormat), 7);
    QVERIFY(page.FormatButton(CatalogueIndex(profiles::kClassAudio, 6))->isChecked());
  }
};

}  // namespace mediaconv::wizard::test

QTEST_MAIN(mediaconv::wizard::test::OutputPageTest)
#include "OutputPageTest.moc"
