#include "imaging/CFlcPlayer.h"
#include "imaging/CScreen.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "uikit/Colour.h"
#include "uikit/StringTable.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

const QString kUnit = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");
const QString kPlain = QStringLiteral(KINETRA_SAMPLES_DIR "/plain.flc");

QRgb defaultPixel()
{
    return QApplication::palette().color(QPalette::Button).rgb();
}

} // namespace

class CFlcPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void initializeMakesTheProgramScreen()
    {
        {
            CFlcPlayer player;
            QVERIFY(player.Initialize());
            QCOMPARE(player.size(), QSize(240, 240));
            QVERIFY(kinetra::g_pScreen);
            QCOMPARE(kinetra::g_pScreen->width, 240);
            QVERIFY(kinetra::g_pScreen->backBuffer);
        }
        QVERIFY(!kinetra::g_pScreen);
    }

    void gameAnimationShowsItsFirstFrameAtTheOffsets()
    {
        kinetra::test::ModalRecorder boxes;
        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        QVERIFY(player.loaded);
        QVERIFY(!player.plainFlc);
        QVERIFY(boxes.requests.isEmpty());
        QCOMPARE(player.size(), QSize(240, 240));

        const QImage& picture = player.PresentedImage();
        QCOMPARE(picture.size(), QSize(240, 240));
        const QRect frame(player.header.leftOffset, player.header.topOffset, player.header.width,
                          player.header.height);
        QCOMPARE(frame, QRect(70, 70, 100, 100));

        // Outside the frame only the default colour; inside it the unit.
        for (const QPoint& outside : {QPoint(0, 0), QPoint(239, 239), QPoint(69, 120), QPoint(170, 120)})
            QCOMPARE(picture.pixel(outside), defaultPixel());
        int drawn = 0;
        for (int y = frame.top(); y <= frame.bottom(); ++y)
            for (int x = frame.left(); x <= frame.right(); ++x)
                drawn += picture.pixel(x, y) != defaultPixel();
        QVERIFY2(drawn > 100, qPrintable(QString::number(drawn)));
        // The key colour never reaches the picture.
        const QRgb key = 0xFF000000u | player.transparentColor;
        for (int y = frame.top(); y <= frame.bottom(); ++y)
            for (int x = frame.left(); x <= frame.right(); ++x)
                QVERIFY(picture.pixel(x, y) != key);
    }

    void plainFlcIsShownAtItsOwnSizeOverBlack()
    {
        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(kPlain), kinetra::kOk);
        QVERIFY(player.plainFlc);
        QCOMPARE(player.size(), QSize(64, 48));
        QCOMPARE(player.header.leftOffset, 0);
        QCOMPARE(player.fillColor, 0u);
        // The frame at (0, 0), black where its key colour leaves it out.
        const QImage& picture = player.PresentedImage();
        const kinetra::PlatformSurface* frame = player.frames.front()->Memory();
        QVERIFY(frame);
        int shownPixels = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const std::uint32_t pixel = frame->pixels[std::size_t(y) * std::size_t(frame->pitch / 4) + x];
                const QRgb expected = frame->colorKey.matches(pixel) ? qRgb(0, 0, 0) : QRgb(pixel | 0xFF000000u);
                QCOMPARE(picture.pixel(x, y), expected);
                shownPixels += expected != qRgb(0, 0, 0);
            }
        QVERIFY(shownPixels > 0);

        // The next game file takes the whole picture again.
        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        QCOMPARE(player.size(), QSize(240, 240));
    }

    void unreadableFileIsRefusedWithTheMessage()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("broken.flc"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(200, '\x12'));
        file.close();

        kinetra::test::ModalRecorder boxes;
        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(path), kinetra::kFail);
        QVERIFY(!player.loaded);
        QVERIFY(player.frames.empty());
        QCOMPARE(boxes.requests.size(), 1);
        QCOMPARE(boxes.requests.first().text, uFormatString(IDS_INVALID_DOCUMENT, path));
        QCOMPARE(boxes.requests.first().type, unsigned(MB_ICONSTOP));
    }

    void emptyPathLoadsNothingAndSaysNothing()
    {
        kinetra::test::ModalRecorder boxes;
        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(QString()), kinetra::kOk);
        QVERIFY(!player.loaded);
        QVERIFY(boxes.requests.isEmpty());
    }

    void unloadClearsThePicture()
    {
        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        QVERIFY(!player.PresentedImage().isNull());
        player.Unload();
        QVERIFY(!player.loaded);
        QVERIFY(player.frames.empty());
        QVERIFY(player.PresentedImage().isNull());
    }

    void paintingKeepsWholePixels()
    {
        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        // The widget shows exactly the presented picture, pixel for pixel.
        const QImage shown = player.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), QSize(240, 240));
        QCOMPARE(shown, player.PresentedImage().convertToFormat(QImage::Format_RGB32));
    }

    void fillColorConversionSwapsRedAndBlue()
    {
        QCOMPARE(FillColorFromRef(0x00112233u), 0x00332211u);
        QCOMPARE(FillColorFromRef(0x000000FFu), 0x00FF0000u);
    }
};

KINETRA_QTEST_MAIN(CFlcPlayerTest)
#include "CFlcPlayerTest.moc"
