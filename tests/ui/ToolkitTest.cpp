#include <QTemporaryDir>
#include <QTest>

#include "ui/ImageButton.h"
#include "ui/ImageComboBox.h"
#include "ui/SkinImage.h"
#include "ui/SkinnedFrame.h"

using namespace mediaconv::ui;

namespace {

QPixmap Filled(QColor colour, QSize size = {40, 20}) {
  QPixmap pixmap(size);
  pixmap.fill(colour);
  return pixmap;
}

QRgb Centre(QWidget& widget) {
  const QImage image = widget.grab().toImage();
  return image.pixel(2, image.height() / 2);
}

}  // namespace

class ToolkitTest : public QObject {
  Q_OBJECT

 private slots:
  void ButtonDrawsTheImageOfItsState() {
    TImageButton button;
    button.SetImages({Filled(Qt::red), Filled(Qt::green), Filled(Qt::blue), Filled(Qt::gray), {}});
    QCOMPARE(button.size(), QSize(40, 20));
    button.show();
    QCOMPARE(button.CurrentState(), TImageButton::bsNormal);
    QCOMPARE(QColor(Centre(button)), QColor(Qt::red));
    QTest::mouseMove(&button, {5, 5});
    QEnterEvent enter({5, 5}, {5, 5}, {5, 5});
    QCoreApplication::sendEvent(&button, &enter);
    QCOMPARE(button.CurrentState(), TImageButton::bsHover);
    QCOMPARE(QColor(Centre(button)), QColor(Qt::green));
    button.setDown(true);
    QCOMPARE(button.CurrentState(), TImageButton::bsPressed);
    QCOMPARE(QColor(Centre(button)), QColor(Qt::blue));
    button.setDown(false);
    button.setEnabled(false);
    QCOMPARE(button.CurrentState(), TImageButton::bsDisabled);
    QCOMPARE(QColor(Centre(button)), QColor(Qt::gray));
    // Selected without an image of its own shows pressed.
    button.setEnabled(true);
    button.setCheckable(true);
    button.setChecked(true);
    QCOMPARE(button.CurrentState(), TImageButton::bsSelected);
    QCOMPARE(QColor(Centre(button)), QColor(Qt::blue));
  }

  void ButtonWithoutImagesTakesItsFallbackSize() {
    TImageButton button;
    button.SetFallbackSize({62, 57});
    QCOMPARE(button.size(), QSize(62, 57));
    QVERIFY(!button.grab().toImage().isNull());
  }

  void TransparentButtonDrawsNoImage() {
    QWidget parent;
    parent.setStyleSheet("background: black");
    auto* button = new TImageButton(&parent);
    button->SetImages({Filled(Qt::red), {}, {}, {}, {}});
    button->SetTransparent(true);
    parent.resize(100, 40);
    parent.show();
    QVERIFY(QColor(Centre(*button)) != QColor(Qt::red));
  }

  void BitmapsLoseTheirMagenta() {
    QTemporaryDir dir;
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255));
    image.setPixel(3, 1, qRgb(10, 20, 30));
    QVERIFY(image.save(dir.path() + "/skin.bmp"));
    QVERIFY(image.save(dir.path() + "/logo.png"));
    const QImage bmp = LoadSkinImage(dir.path() + "/", "skin.bmp").toImage();
    QCOMPARE(qAlpha(bmp.pixel(0, 0)), 0);
    QCOMPARE(bmp.pixel(3, 1), qRgb(10, 20, 30));
    // Only the bitmaps of the skin carry the key colour.
    QCOMPARE(qAlpha(LoadSkinImage(dir.path() + "/", "logo.png").toImage().pixel(0, 0)), 255);
    QVERIFY(LoadSkinImage(dir.path() + "/", "missing.bmp").isNull());
  }

  void FrameCutsOutTheTransparentPart() {
    TSkinnedFrame frame({20, 10});
    QImage skin(20, 10, QImage::Format_ARGB32);
    skin.fill(Qt::white);
    skin.setPixel(0, 0, 0);
    frame.SetSkin(QPixmap::fromImage(skin));
    QVERIFY(!frame.mask().contains({0, 0}));
    QVERIFY(frame.mask().contains({10, 5}));
    frame.SetSkin({});
    QVERIFY(frame.mask().isEmpty());
  }

  void ComboSelectsOnlyEntriesItHas() {
    TImageComboBox box;
    box.AddItem("one");
    box.AddItem("two", Filled(Qt::red, {16, 16}));
    box.SetItemIndex(1);
    QCOMPARE(box.ItemIndex(), 1);
    box.SetItemIndex(7);
    QCOMPARE(box.ItemIndex(), -1);
  }
};

QTEST_MAIN(ToolkitTest)
#include "ToolkitTest.moc"
