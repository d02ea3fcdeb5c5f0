#include "app/CCivColorCombo.h"
#include "qtsupport/QtTestMain.h"

#include <QImage>
#include <QPainter>

namespace {

constexpr unsigned ref(unsigned r, unsigned g, unsigned b)
{
    return r | (g << 8) | (b << 16);
}

// One item drawn alone into a white picture.
QImage drawItem(const CCivColorCombo& combo, int index, QStyle::State state, QSize size = QSize(200, 20))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    combo.DrawItem(painter, image.rect(), index, state);
    return image;
}

int pixelsOf(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour;
    return count;
}

} // namespace

class CCivColorComboTest : public QObject {
    Q_OBJECT

private slots:
    void fillListsDefaultAndThirtyTwoColourings()
    {
        CCivColorCombo combo;
        combo.FillItems();
        QCOMPARE(combo.count(), 33);
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(combo.itemText(0), QStringLiteral("Default"));
        QCOMPARE(combo.itemText(1), QStringLiteral("Civ Color 1"));
        QCOMPARE(combo.itemText(32), QStringLiteral("Civ Color 32"));
        QCOMPARE(combo.itemData(5).toString(), QStringLiteral("Civ Color 5"));
        // Filling again does not add a second set.
        combo.setCurrentIndex(9);
        combo.FillItems();
        QCOMPARE(combo.count(), 33);
        QCOMPARE(combo.currentIndex(), 0);
    }

    void tableHoldsTheColouringsColours()
    {
        QCOMPARE(CCivColorCombo::ItemColor(2), ref(231, 12, 12));
        QCOMPARE(CCivColorCombo::ItemColor(14), ref(3, 41, 148));
        QCOMPARE(CCivColorCombo::ItemColor(32), ref(199, 172, 237));
    }

    void setItemColorIgnoresIndexesOutsideTheTable()
    {
        CCivColorCombo combo;
        combo.FillItems();
        unsigned before[CCivColorCombo::kEntryCount];
        for (int i = 0; i < CCivColorCombo::kEntryCount; ++i)
            before[i] = CCivColorCombo::ItemColor(i);
        combo.SetItemColor(33, 0x00123456);
        combo.SetItemColor(-1, 0x00123456);
        for (int i = 0; i < CCivColorCombo::kEntryCount; ++i)
            QCOMPARE(CCivColorCombo::ItemColor(i), before[i]);

        // Every list shares the table.
        CCivColorCombo other;
        combo.SetItemColor(32, 0x00123456);
        QCOMPARE(CCivColorCombo::ItemColor(32), 0x00123456u);
        combo.SetItemColor(32, before[32]);
    }

    void enabledItemShowsItsSwatchAndName()
    {
        CCivColorCombo combo;
        combo.FillItems();
        const QImage item = drawItem(combo, 5, QStyle::State_Enabled);
        // The swatch: 50 pixels wide from 6 pixels in, framed.
        const QRgb green = qRgb(11, 120, 10);
        QCOMPARE(item.pixel(7, 10), green);
        QCOMPARE(item.pixel(54, 10), green);
        QCOMPARE(item.pixel(6, 10), qRgb(0, 0, 0));
        QCOMPARE(item.pixel(55, 10), qRgb(0, 0, 0));
        QVERIFY(item.pixel(56, 10) != green);
        // The name starts 60 pixels right of the work area: text pixels there.
        int dark = 0;
        for (int y = 0; y < item.height(); ++y)
            for (int x = 61; x < item.width(); ++x)
                dark += QColor(item.pixel(x, y)).lightness() < 128;
        QVERIFY(dark > 10);
        // Between the swatch and the name only the background.
        for (int y = 0; y < item.height(); ++y)
            for (int x = 56; x < 60; ++x)
                QCOMPARE(item.pixel(x, y), combo.palette().color(QPalette::Base).rgb());
    }

    void selectedItemIsHighlighted()
    {
        CCivColorCombo combo;
        combo.FillItems();
        const QImage item = drawItem(combo, 5, QStyle::State_Enabled | QStyle::State_Selected);
        const QRgb highlight = combo.palette().color(QPalette::Highlight).rgb();
        QCOMPARE(item.pixel(0, 0), highlight);
        QCOMPARE(item.pixel(2, 10), highlight);
        QCOMPARE(item.pixel(7, 10), qRgb(11, 120, 10));
    }

    void disabledItemIsAGreyNameWithoutSwatch()
    {
        CCivColorCombo combo;
        combo.FillItems();
        const QImage item = drawItem(combo, 5, QStyle::State_None);
        QCOMPARE(pixelsOf(item, qRgb(11, 120, 10)), 0);
        // No swatch frame either: nothing darker than the grey text.
        const QColor grey = combo.palette().color(QPalette::Disabled, QPalette::WindowText);
        for (int y = 0; y < item.height(); ++y)
            for (int x = 0; x < item.width(); ++x)
                QVERIFY(QColor(item.pixel(x, y)).lightness() >= grey.lightness() - 1);
        // The name starts at the left, where the swatch would be.
        int text = 0;
        for (int y = 0; y < item.height(); ++y)
            for (int x = 0; x < 50; ++x)
                text += item.pixel(x, y) != combo.palette().color(QPalette::Base).rgb();
        QVERIFY(text > 10);
    }

    void enabledControlShowsTheSelectedSwatch()
    {
        CCivColorCombo combo;
        combo.FillItems();
        combo.setCurrentIndex(5);
        combo.resize(200, combo.sizeHint().height());
        const QImage shown = combo.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(pixelsOf(shown, qRgb(11, 120, 10)) > 50);
        combo.setEnabled(false);
        const QImage disabled = combo.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(pixelsOf(disabled, qRgb(11, 120, 10)), 0);
    }

    void itemHeightIsTheTextHeight()
    {
        CCivColorCombo combo;
        combo.FillItems();
        QCOMPARE(combo.MeasureItem(3), combo.fontMetrics().height());
    }
};

KINETRA_QTEST_MAIN(CCivColorComboTest)
#include "CCivColorComboTest.moc"
