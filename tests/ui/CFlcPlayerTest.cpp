#include "flc/FlcEncoder.h"
#include "imaging/CFlcPlayer.h"
#include "imaging/CScreen.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "uikit/Colour.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace {

const QString kUnit = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");
const QString kPlain = QStringLiteral(KINETRA_SAMPLES_DIR "/plain.flc");
const QString kOptions = QStringLiteral("Options");

QRgb defaultPixel()
{
    return QApplication::palette().color(QPalette::Button).rgb();
}

// Entry i is the grey (i, i, i): a drawn pixel names its index.
kinetra::Palette greyRamp()
{
    kinetra::Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = kinetra::PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
    return palette;
}

bool writeFlc(const QString& path, const std::vector<std::uint8_t>& bytes)
{
    QFile file(path);
    return !bytes.empty() && file.open(QIODevice::WriteOnly)
        && file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

// A player on a clock the test moves by hand.
struct DrivenPlayer {
    CFlcPlayer player;
    std::uint32_t now = 1000;

    DrivenPlayer()
    {
        player.SetClock([this] { return now; });
    }
    // One timer tick `ms` after the previous one.
    void tick(std::uint32_t ms)
    {
        now += ms;
        player.OnTimer();
    }
};

} // namespace

class CFlcPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        for (const char* entry : {"Direction", "Bgd Type", "Custom Color", "AlphaBlend"})
            uDeleteProfileEntry(kOptions, QString::fromLatin1(entry));
    }

    void initializeMakesTheProgramScreen()
    {
        {
            CFlcPlayer player;
            QVERIFY(player.Initialize());
            QCOMPARE(player.size(), QSize(240, 240));
            QVERIFY(kinetra::g_pScreen);
            QCOMPARE(kinetra::g_pScreen->width, 240);
            QVERIFY(kinetra::g_pScreen->backBuffer);
            // The face colour of the application, as a colour reference.
            QCOMPARE(player.GetDefaultColor(), uColorRefFromColor(QApplication::palette().color(QPalette::Button)));
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
        QVERIFY(player.playing);
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
        const kinetra::FlcFrame& frame = player.frames.front();
        const std::vector<std::uint32_t> frameColours = kinetra::framePixels(frame, player.paletteOf(frame));
        const kinetra::ColorKey key = player.colorKeyOf(frame);
        int shownPixels = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const std::uint32_t pixel = frameColours[std::size_t(y) * 64 + std::size_t(x)];
                const QRgb expected = key.matches(pixel) ? qRgb(0, 0, 0) : QRgb(pixel);
                QCOMPARE(picture.pixel(x, y), expected);
                shownPixels += expected != qRgb(0, 0, 0);
            }
        QVERIFY(shownPixels > 0);

        // The next game file takes the whole picture again.
        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        QCOMPARE(player.size(), QSize(240, 240));
    }

    void plainFlcLargerThanTheCanvasIsShownWhole()
    {
        // An FLI of its day: 320 × 200, its last column a colour of its own.
        QTemporaryDir dir;
        kinetra::IndexImage image(320, 200);
        std::fill(image.pixels.begin(), image.pixels.end(), std::uint8_t(10));
        for (int y = 0; y < 200; ++y)
            image.row(y)[319] = 20;
        const QString path = dir.filePath(QStringLiteral("wide.fli"));
        QVERIFY(writeFlc(path, kinetra::encoder::buildPlainFlc(greyRamp(), {image}, 50)));

        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QSignalSpy resized(&player, &CFlcPlayer::pictureResized);
        QCOMPARE(player.Load(path), kinetra::kOk);
        QCOMPARE(resized.count(), 1);
        QCOMPARE(player.size(), QSize(320, 200));
        QCOMPARE(kinetra::g_pScreen->width, 320);
        QCOMPARE(kinetra::g_pScreen->height, 200);
        const QImage& picture = player.PresentedImage();
        QCOMPARE(picture.size(), QSize(320, 200));
        for (int y = 0; y < 200; y += 19) {
            QCOMPARE(picture.pixel(318, y), qRgb(10, 10, 10));
            QCOMPARE(picture.pixel(319, y), qRgb(20, 20, 20));
        }
        // Painted whole, at its own size.
        const QImage shown = player.grab().toImage();
        QCOMPARE(shown.size(), QSize(320, 200));
        QCOMPARE(shown.pixel(319, 100), qRgb(20, 20, 20));

        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        QCOMPARE(player.size(), QSize(240, 240));
        QCOMPARE(kinetra::g_pScreen->width, 240);
    }

    void plainFlcLargerThanTheScreenIsScaledDownNotCut()
    {
        // Wider and higher than any screen the test runs on: left and right
        // bands and a bottom band of colours of their own.
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        const int width = std::max(3 * screen.width(), 2000);
        const int height = std::max(3 * screen.height() / 2, 1000);
        QTemporaryDir dir;
        kinetra::IndexImage image(width, height);
        std::fill(image.pixels.begin(), image.pixels.end(), std::uint8_t(10));
        const int band = width / 10;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                if (x < band)
                    image.row(y)[x] = 30;
                else if (x >= width - band)
                    image.row(y)[x] = 20;
                else if (y >= height - band)
                    image.row(y)[x] = 40;
            }
        const QString path = dir.filePath(QStringLiteral("huge.flc"));
        QVERIFY(writeFlc(path, kinetra::encoder::buildPlainFlc(greyRamp(), {image}, 50)));

        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(path), kinetra::kOk);
        // The whole picture composed; the widget fits the screen, in the
        // picture's aspect.
        QCOMPARE(player.PresentedImage().size(), QSize(width, height));
        const QSize shown = player.size();
        QVERIFY2(shown.width() <= screen.width() && shown.height() <= screen.height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(shown.width()).arg(shown.height())));
        QVERIFY(shown.width() == screen.width() || shown.height() == screen.height());
        QVERIFY(qAbs(double(shown.width()) / shown.height() - double(width) / height) < 0.01);

        // Every side of the picture reaches the widget's edges.
        const QImage painted = player.grab().toImage();
        const int middleY = painted.height() / 3;
        QCOMPARE(painted.pixel(1, middleY), qRgb(30, 30, 30));
        QCOMPARE(painted.pixel(painted.width() - 2, middleY), qRgb(20, 20, 20));
        QCOMPARE(painted.pixel(painted.width() / 2, painted.height() - 2), qRgb(40, 40, 40));
        QCOMPARE(painted.pixel(painted.width() / 2, 1), qRgb(10, 10, 10));
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
        QSignalSpy changed(&player, &CFlcPlayer::stateChanged);
        QCOMPARE(player.Load(path), kinetra::kFail);
        QVERIFY(!player.loaded);
        QVERIFY(player.frames.empty());
        QCOMPARE(player.TimerInterval(), 0);
        QCOMPARE(boxes.requests.size(), 1);
        QCOMPARE(boxes.requests.first().text, uFormatString(IDS_INVALID_DOCUMENT, path));
        QCOMPARE(boxes.requests.first().type, unsigned(MB_ICONSTOP));
        QCOMPARE(changed.count(), 1);
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

    void unloadClearsThePictureAndStopsTheTimer()
    {
        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        QVERIFY(!player.PresentedImage().isNull());
        QCOMPARE(player.TimerInterval(), 50);
        player.Unload();
        QVERIFY(!player.loaded);
        QVERIFY(player.frames.empty());
        QVERIFY(player.PresentedImage().isNull());
        QCOMPARE(player.TimerInterval(), 0);
        // An unloaded player paints the face colour, nothing of the file.
        const QImage shown = player.grab().toImage();
        QCOMPARE(shown.pixel(shown.width() / 2, shown.height() / 2), defaultPixel());
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

    void timerFollowsTheDelayMode()
    {
        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        QCOMPARE(player.TimerInterval(), 50);
        player.SetDelayMode(false);
        QCOMPARE(player.TimerInterval(), int(player.header.speed));
        player.SetCustomDelay(230);
        QCOMPARE(player.TimerInterval(), 230);
        player.SetDelayMode(true);
        QCOMPARE(player.TimerInterval(), 50);
    }

    void drivenClockAdvancesFramesAndTellsTheView()
    {
        DrivenPlayer driven;
        CFlcPlayer& player = driven.player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        QSignalSpy numbers(&player, &CFlcPlayer::frameNumbersChanged);
        const int speed = int(player.header.speed);
        QVERIFY(speed > 50 && speed <= 100);

        // File speed: a frame lasts two 50 ms ticks for a speed of 51..100.
        driven.tick(50);
        QCOMPARE(player.currentFrame, 0);
        driven.tick(50);
        QCOMPARE(player.currentFrame, 1);
        QVERIFY(numbers.count() >= 1);

        // However long a tick took, it counts as 50 ms.
        driven.tick(5000);
        QCOMPARE(player.currentFrame, 1);
        driven.tick(50);
        QCOMPARE(player.currentFrame, 2);

        // Paused: the frame stays, the picture is still redrawn.
        player.paused = true;
        const QImage before = player.PresentedImage();
        player.SetDefaultBackground();
        player.SetCustomBackground(0x000000FF);
        driven.tick(50);
        driven.tick(50);
        QCOMPARE(player.currentFrame, 2);
        QCOMPARE(player.PresentedImage().pixel(0, 0), qRgb(255, 0, 0));
        QVERIFY(player.PresentedImage() != before);
    }

    void stoppedPlayerMovesTheSliderOnSteps()
    {
        CFlcPlayer player;
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        QSignalSpy slider(&player, &CFlcPlayer::positionSliderChanged);
        // While playing the slider is left alone.
        player.Step(kinetra::kStepNext);
        QCOMPARE(slider.count(), 0);
        player.Stop();
        player.Step(kinetra::kStepNext);
        QCOMPARE(slider.count(), 1);
        QCOMPARE(player.currentFrame, 1);
    }

    void destroyingThePlayerStoresTheDirection()
    {
        {
            CFlcPlayer player;
            QVERIFY(player.Initialize());
            QCOMPARE(player.Load(kUnit), kinetra::kOk);
            QCOMPARE(player.SetDirection(3), 3);
        }
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Direction"), -1), 3);

        // The next player starts in that direction.
        CFlcPlayer next;
        QVERIFY(next.Initialize());
        QCOMPARE(next.Load(kUnit), kinetra::kOk);
        QCOMPARE(next.direction, 3);
        QCOMPARE(next.rangeStart, 2 * next.rangeLength);
    }

    void colouringsComeFromTheOwnersFolders()
    {
        QTemporaryDir palDir;
        QTemporaryDir gameDir;
        CFlcPlayer player;
        player.SetFolderSources([&gameDir] { return gameDir.path(); }, [&palDir] { return palDir.path(); });
        QVERIFY(player.Initialize());
        QCOMPARE(player.Load(kUnit), kinetra::kOk);
        // Neither folder holds a palette: the colouring fails, the file stays.
        QVERIFY(!player.LoadCivColor(kinetra::kPaletteFromFolder, 5));
        QVERIFY(!player.LoadCivColor(kinetra::kPaletteFromGame, 5));
        QVERIFY(player.loaded);

        // The built-in palette, written out, then copied into both folders
        // (the game's in other letter case, as Windows copies have it).
        QVERIFY(player.LoadCivColor(kinetra::kPaletteBuiltIn, 5));
        const QString builtIn = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Halvorek/Kinetra/Palettes/ntp04.pcx");
        QVERIFY(QFile::exists(builtIn));
        QVERIFY(QFile::copy(builtIn, palDir.filePath(QStringLiteral("ntp04.pcx"))));
        QVERIFY(QDir().mkpath(gameDir.filePath(QStringLiteral("Art/Units/Palettes"))));
        QVERIFY(QFile::copy(builtIn, gameDir.filePath(QStringLiteral("Art/Units/Palettes/NTP04.PCX"))));

        const kinetra::PaletteEntry green = kinetra::PaletteEntry::fromRgb(11, 120, 10);
        QVERIFY(player.LoadCivColor(kinetra::kPaletteFromFolder, 0));
        QVERIFY(player.displayPalette[6] != green);
        QVERIFY(player.LoadCivColor(kinetra::kPaletteFromFolder, 5));
        QCOMPARE(player.displayPalette[6], green);
        QVERIFY(player.LoadCivColor(kinetra::kPaletteFromGame, 0));
        QVERIFY(player.LoadCivColor(kinetra::kPaletteFromGame, 5));
        QCOMPARE(player.displayPalette[6], green);
        QVERIFY(player.loaded);
    }
};

KINETRA_QTEST_MAIN(CFlcPlayerTest)
#include "CFlcPlayerTest.moc"
