#include "qtsupport/QtTestMain.h"
#include "res/KinetraIcons.h"

#include <QImage>
#include <QPixmap>

namespace {

// Drawn on whole pixels only: exact at 1× and plain doubling at 2×.
const char* const kPixelIcons[] = {"stop", "pause", "options", "palette", "import-palette", "export-palette",
                                   "play", "next", "previous", "forward", "back", "first", "last", "select-color",
                                   "exit"};
// With curves or slants, which a 16-pixel grid cannot hold exactly.
const char* const kDrawnIcons[] = {"open", "save", "save-as", "refresh", "info", "about", "recent-files", "kinetra"};

QImage render(const QString& name, qreal ratio)
{
    return KinetraIcon(name).pixmap(QSize(16, 16), ratio).toImage().convertToFormat(QImage::Format_ARGB32);
}

struct Coverage {
    int partial = 0;
    int opaque = 0;
};

Coverage coverage(const QImage& image)
{
    Coverage result;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            result.opaque += alpha == 255;
            result.partial += alpha > 0 && alpha < 255;
        }
    return result;
}

} // namespace

class IconsTest : public QObject {
    Q_OBJECT

private slots:
    void pixelIconsAreExactAtOneAndTwoTimes_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : kPixelIcons)
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void pixelIconsAreExactAtOneAndTwoTimes()
    {
        QFETCH(QString, name);
        const QImage one = render(name, 1.0);
        QCOMPARE(one.size(), QSize(16, 16));
        const Coverage c = coverage(one);
        QVERIFY2(c.opaque > 20, qPrintable(name));
        QCOMPARE(c.partial, 0);

        QImage two = render(name, 2.0);
        QCOMPARE(two.size(), QSize(32, 32));
        two.setDevicePixelRatio(1.0);
        QCOMPARE(two, one.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }

    void drawnIconsRenderMostlySolid_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : kDrawnIcons)
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void drawnIconsRenderMostlySolid()
    {
        QFETCH(QString, name);
        for (qreal ratio : {1.0, 2.0}) {
            const QImage image = render(name, ratio);
            QCOMPARE(image.size(), QSize(16, 16) * ratio);
            const Coverage c = coverage(image);
            QVERIFY2(c.opaque > 20 * ratio * ratio, qPrintable(name));
            // Soft edges only where a shape is round or slanted.
            QVERIFY2(c.partial * 10 < (c.opaque + c.partial) * 6, qPrintable(name));
        }
    }

    void selectColorLeavesRoomForTheStrip()
    {
        const QImage image = render(QStringLiteral("select-color"), 1.0);
        for (int y = 11; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                QCOMPARE(qAlpha(image.pixel(x, y)), 0);
    }

    void programIconScalesUp()
    {
        const QImage big = KinetraIcon(QStringLiteral("kinetra")).pixmap(QSize(128, 128)).toImage();
        QCOMPARE(big.size(), QSize(128, 128));
        QVERIFY(coverage(big.convertToFormat(QImage::Format_ARGB32)).opaque > 128 * 128 / 2);
    }
};

KINETRA_QTEST_MAIN(IconsTest)
#include "IconsTest.moc"
