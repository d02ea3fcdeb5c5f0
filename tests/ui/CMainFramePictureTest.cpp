#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "flc/FlcEncoder.h"
#include "imaging/CFlcPlayer.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CMainFrame.h"
#include "uikit/Profile.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWheelEvent>

#include <functional>
#include <memory>

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kSample = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");

// One index of every class, and the edges between them.
const std::uint8_t kIndices[] = {12, 130, 229, 246, 255, 0, 63, 64, 224, 240, 254, 223};
constexpr int kWidth = 6;
constexpr int kHeight = 2;
constexpr int kLeft = 37;
constexpr int kTop = 51;

// Entry i is (i, 255 − i, 0x40): every index a colour of its own.
kinetra::Palette ownColours()
{
    kinetra::Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = kinetra::PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(255 - i), 0x40);
    return palette;
}

// Frame 0 holds kIndices; frame 1 the same with index 100 at (0, 0).
std::vector<kinetra::IndexImage> twoFrames()
{
    kinetra::IndexImage first(kWidth, kHeight);
    first.pixels.assign(std::begin(kIndices), std::end(kIndices));
    kinetra::IndexImage second = first;
    second.pixels[0] = 100;
    return {first, second};
}

bool writeBytes(const QString& path, const kinetra::encoder::Bytes& bytes)
{
    QFile file(path);
    return !bytes.empty() && file.open(QIODevice::WriteOnly)
        && file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

bool writeUnit(const QString& path)
{
    kinetra::encoder::GameAnimation unit;
    unit.width = kWidth;
    unit.height = kHeight;
    unit.directions = 1;
    unit.framesPerDirection = 2;
    unit.leftOffset = kLeft;
    unit.topOffset = kTop;
    unit.palette = ownColours();
    unit.images = twoFrames();
    return writeBytes(path, kinetra::encoder::buildGameAnimation(unit));
}

bool writePlain(const QString& path)
{
    return writeBytes(path, kinetra::encoder::buildPlainFlc(ownColours(), twoFrames(), 50));
}

// What the user sees of the player, and nothing of the window around it.
struct PlayerState {
    int currentFrame, direction, rangeStart, rangeEnd, backgroundType, civColor;
    bool playing, paused, loaded, alphaBlend;
    std::uint32_t fillColor;
    kinetra::Palette displayPalette;
    bool operator==(const PlayerState&) const = default;
};

} // namespace

class CMainFramePictureTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    std::unique_ptr<CKinetraApp> m_app;
    std::unique_ptr<CKinetraDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;

    CMainView& view() { return *m_frame->GetActiveView(); }
    CFlcPlayer& player() { return view().Player(); }
    QString unitPath() { return m_folder.filePath(QStringLiteral("unit.flc")); }
    QString plainPath() { return m_folder.filePath(QStringLiteral("plain.flc")); }

    void makeFrame()
    {
        m_frame.reset();
        m_frame = std::make_unique<CMainFrame>(m_doc.get());
        QVERIFY(m_frame->LoadFrame());
    }

    // Opens path, stopped on its first frame, which is on screen.
    void open(const QString& path)
    {
        m_doc->SetPathName(path, false);
        view().OnInitialUpdate();
        QVERIFY(player().loaded);
        view().OnStop();
        QVERIFY(player().Tick());
    }

    void moveTo(const QPointF& position)
    {
        QMouseEvent move(QEvent::MouseMove, position, player().mapToGlobal(position), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&player(), &move);
    }

    // The middle of the frame's pixel (x, y) as the player shows it.
    QPointF framePixel(int x, int y, bool offsets)
    {
        const int zoom = player().Zoom();
        const QPoint picture = offsets ? QPoint(kLeft + x, kTop + y) : QPoint(x, y);
        return QPointF(picture * zoom) + QPointF(zoom / 2.0, zoom / 2.0);
    }

    QString readout()
    {
        const auto* label = m_frame->statusBar()->findChild<QLabel*>(QStringLiteral("PixelReadout"));
        return label && !label->isHidden() ? label->text() : QString();
    }

    bool idleShown()
    {
        for (const QLabel* label : m_frame->statusBar()->findChildren<QLabel*>())
            if (label->text() == QStringLiteral("Ready"))
                return !label->isHidden();
        return false;
    }

    PlayerState state()
    {
        const CFlcPlayer& p = player();
        return {p.currentFrame, p.direction, p.rangeStart,      p.rangeEnd, p.backgroundType, view().m_nCivColor,
                p.playing,      p.paused,    p.loaded,          p.alphaBlend, p.fillColor,    p.displayPalette};
    }

    void wheel(int angle)
    {
        QWheelEvent turn(QPointF(5, 5), player().mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, angle),
                         Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&player(), &turn);
    }

private slots:
    void initTestCase()
    {
        RegisterKinetraStrings();
        QVERIFY(writeUnit(unitPath()));
        QVERIFY(writePlain(plainPath()));
    }

    void init()
    {
        for (const char* entry : {"Zoom", "Compact", "Always on top", "Show ToolBar", "Show StatusBar", "Direction",
                                  "Bgd Type", "Custom Color", "AlphaBlend"})
            uDeleteProfileEntry(kOptions, QString::fromLatin1(entry));
        m_app = std::make_unique<CKinetraApp>();
        m_app->m_nPalType = 1;
        m_doc = std::make_unique<CKinetraDoc>();
        makeFrame();
    }

    void cleanup()
    {
        m_frame.reset();
        m_doc.reset();
        m_app.reset();
    }

    void readoutNamesThePixelIndexAndClass_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::addColumn<int>("zoom");
        QTest::newRow("unit 1x") << false << 1;
        QTest::newRow("unit 8x") << false << 8;
        QTest::newRow("plain 1x") << true << 1;
        QTest::newRow("plain 8x") << true << 8;
    }

    void readoutNamesThePixelIndexAndClass()
    {
        QFETCH(bool, plain);
        QFETCH(int, zoom);
        struct Case {
            int x, y;
            const char* expected;
        };
        const Case cases[] = {
            {0, 0, "x 0, y 0   index 12: civilization 12   #0CF340"},
            {1, 0, "x 1, y 0   index 130: ordinary 130   #827D40"},
            {2, 0, "x 2, y 0   index 229: light 5   #E51A40"},
            {3, 0, "x 3, y 0   index 246: shadow 9   #F60940"},
            {4, 0, "x 4, y 0   index 255: transparent   #FF0040"},
            {0, 1, "x 0, y 1   index 63: civilization 63   #3FC040"},
            {1, 1, "x 1, y 1   index 64: ordinary 64   #40BF40"},
            {2, 1, "x 2, y 1   index 224: light 0   #E01F40"},
            {3, 1, "x 3, y 1   index 240: shadow 15   #F00F40"},
            {5, 1, "x 5, y 1   index 223: ordinary 223   #DF2040"},
            // Off the frame: the idle text again.
            {6, 0, ""},
            {0, 2, ""},
            {-1, 0, ""},
        };
        open(plain ? plainPath() : unitPath());
        view().SetZoom(zoom);
        for (const Case& c : cases) {
            moveTo(framePixel(c.x, c.y, !plain));
            const QString expected = QString::fromLatin1(c.expected);
            QCOMPARE(readout(), expected);
            QCOMPARE(idleShown(), expected.isEmpty());
        }
    }

    void readoutFollowsTheFrameOnScreenAndLeavesWithThePointer()
    {
        open(unitPath());
        moveTo(framePixel(0, 0, true));
        QVERIFY(readout().startsWith(QStringLiteral("x 0, y 0   index 12:")));
        view().OnNext();
        // Not on screen until the next picture.
        QVERIFY(readout().startsWith(QStringLiteral("x 0, y 0   index 12:")));
        QVERIFY(player().Tick());
        QCOMPARE(readout(), QStringLiteral("x 0, y 0   index 100: ordinary 100   #649B40"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&player(), &leave);
        QCOMPARE(readout(), QString());
        QVERIFY(idleShown());
    }

    void zoomStepsByWholePixelsWithinItsLimits_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<unsigned>("command");
        QTest::addColumn<int>("expected");
        QTest::newRow("in from 1") << 1 << unsigned(ID_VIEW_ZOOM_IN) << 2;
        QTest::newRow("in from 7") << 7 << unsigned(ID_VIEW_ZOOM_IN) << 8;
        QTest::newRow("out from 2") << 2 << unsigned(ID_VIEW_ZOOM_OUT) << 1;
        QTest::newRow("actual size from 5") << 5 << unsigned(ID_VIEW_ACTUAL_SIZE) << 1;
        QTest::newRow("stored beyond 8") << 12 << unsigned(ID_VIEW_ZOOM_OUT) << 7;
        QTest::newRow("stored below 1") << -3 << unsigned(ID_VIEW_ZOOM_IN) << 2;
    }

    void zoomStepsByWholePixelsWithinItsLimits()
    {
        QFETCH(int, stored);
        QFETCH(unsigned, command);
        QFETCH(int, expected);
        uWriteProfileInt(kOptions, QStringLiteral("Zoom"), stored);
        makeFrame();
        open(kSample);
        m_frame->Action(command)->trigger();
        QCOMPARE(player().Zoom(), expected);
        QCOMPARE(player().size(), QSize(240, 240) * expected);
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Zoom"), 0), expected);
        QCOMPARE(m_frame->Action(ID_VIEW_ZOOM_IN)->isEnabled(), expected < 8);
        QCOMPARE(m_frame->Action(ID_VIEW_ZOOM_OUT)->isEnabled(), expected > 1);
        QCOMPARE(m_frame->Action(ID_VIEW_ACTUAL_SIZE)->isEnabled(), expected != 1);

        // Kept between runs.
        m_frame->close();
        makeFrame();
        QCOMPARE(player().Zoom(), expected);
    }

    void zoomedPictureIsNearestNeighbourAndScrollsPastTheScreen()
    {
        m_frame->show();
        open(unitPath());
        view().SetZoom(8);
        QCOMPARE(player().size(), QSize(1920, 1920));
        const QImage shown = player().grab().toImage();
        // Each picture pixel is an 8 × 8 block of its own colour.
        const QRgb civilization = qRgb(12, 243, 0x40);
        for (const QPoint& inBlock : {QPoint(0, 0), QPoint(7, 0), QPoint(0, 7), QPoint(7, 7)})
            QCOMPARE(shown.pixel(QPoint(kLeft, kTop) * 8 + inBlock), civilization);
        QVERIFY(shown.pixel(QPoint(kLeft, kTop) * 8 + QPoint(8, 0)) != civilization);
        // The window grows up to the screen and no further; the picture
        // scrolls.
        const QRect screen = m_frame->screen()->availableGeometry();
        QTRY_VERIFY(m_frame->height() > 600);
        QVERIFY(m_frame->frameGeometry().height() <= screen.height());
        QVERIFY(m_frame->frameGeometry().width() <= screen.width());
        QVERIFY(screen.contains(m_frame->frameGeometry()));

        view().OnActualSize();
        QTRY_VERIFY(m_frame->height() < 600);
    }

    void ctrlWheelZoomsOverThePicture()
    {
        open(kSample);
        wheel(120);
        QCOMPARE(player().Zoom(), 2);
        // A touchpad's turns add up to a notch.
        wheel(-60);
        QCOMPARE(player().Zoom(), 2);
        wheel(-60);
        QCOMPARE(player().Zoom(), 1);
        wheel(-120);
        QCOMPARE(player().Zoom(), 1);
    }

    void compactShowsThePictureAloneUntilEscape()
    {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        open(kSample);
        const QSize full = m_frame->size();
        m_frame->Action(ID_VIEW_COMPACT)->trigger();
        QVERIFY(m_frame->IsCompact());
        QVERIFY(m_frame->menuBar()->isHidden());
        QVERIFY(m_frame->GetToolBar()->isHidden());
        QVERIFY(m_frame->statusBar()->isHidden());
        for (int id : {IDC_PLAY, IDC_DIR_ALL, IDC_FRAME_SLIDER, IDC_CIV_COLOR, IDC_PALETTE})
            QVERIFY2(!view().GetDlgItem(id)->isVisible(), qPrintable(QString::number(id)));
        QVERIFY(m_frame->windowFlags() & Qt::WindowStaysOnTopHint);
        QTRY_COMPARE(m_frame->size(), QSize(240, 240));
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Compact"), 0), 1);
        // Its zoom keys work without the menu.
        QTest::keyClick(m_frame.get(), Qt::Key_Plus, Qt::ControlModifier);
        QTRY_COMPARE(m_frame->size(), QSize(480, 480));

        QTest::keyClick(m_frame.get(), Qt::Key_Escape);
        QVERIFY(!m_frame->IsCompact());
        QVERIFY(!m_frame->menuBar()->isHidden());
        QVERIFY(!m_frame->GetToolBar()->isHidden());
        QVERIFY(!m_frame->statusBar()->isHidden());
        QVERIFY(view().GetDlgItem(IDC_PLAY)->isVisible());
        QVERIFY(!(m_frame->windowFlags() & Qt::WindowStaysOnTopHint));
        view().OnActualSize();
        QTRY_COMPARE(m_frame->size(), full);
    }

    void compactIsKeptAndADoubleClickReturns()
    {
        m_frame->Action(ID_VIEW_COMPACT)->trigger();
        m_frame->close();
        // The bars it hid are not taken for hidden by the user.
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Show ToolBar"), 0), 1);
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Show StatusBar"), 0), 1);
        makeFrame();
        QVERIFY(m_frame->IsCompact());
        QVERIFY(m_frame->Action(ID_VIEW_COMPACT)->isChecked());
        QVERIFY(m_frame->menuBar()->isHidden());

        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(3, 3), player().mapToGlobal(QPointF(3, 3)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&player(), &click);
        QVERIFY(!m_frame->IsCompact());
        QVERIFY(!m_frame->menuBar()->isHidden());
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Compact"), 1), 0);
    }

    void noneChangesThePlayersState_data()
    {
        QTest::addColumn<std::function<void(CMainFrame&)>>("change");
        const auto command = [](unsigned id) { return [id](CMainFrame& frame) { frame.Action(id)->trigger(); }; };
        QTest::newRow("zoom in") << std::function<void(CMainFrame&)>(command(ID_VIEW_ZOOM_IN));
        QTest::newRow("show classes") << std::function<void(CMainFrame&)>(command(ID_VIEW_SHOW_CLASSES));
        QTest::newRow("compact") << std::function<void(CMainFrame&)>(command(ID_VIEW_COMPACT));
        QTest::newRow("there and back") << std::function<void(CMainFrame&)>([](CMainFrame& frame) {
            for (unsigned id : {ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_IN, ID_VIEW_SHOW_CLASSES, ID_VIEW_COMPACT,
                                ID_VIEW_ZOOM_OUT, ID_VIEW_SHOW_CLASSES, ID_VIEW_ACTUAL_SIZE})
                frame.Action(id)->trigger();
            frame.SetCompact(false);
        });
    }

    void noneChangesThePlayersState()
    {
        QFETCH(std::function<void(CMainFrame&)>, change);
        open(kSample);
        QVERIFY(view().SelectDirection(3));
        view().OnBgdSea();
        auto* colours = qobject_cast<QComboBox*>(view().GetDlgItem(IDC_CIV_COLOR));
        colours->setCurrentIndex(5);
        emit colours->activated(5);
        view().OnStop();
        view().OnNext();
        view().OnNext();
        const PlayerState before = state();
        QCOMPARE(before.civColor, 5);
        QCOMPARE(before.currentFrame, before.rangeStart + 2);

        change(*m_frame);
        QVERIFY(state() == before);
        QVERIFY(player().Tick());
        QVERIFY(state() == before);
    }

    void showClassesMarksTheClassesAndComesBack()
    {
        open(unitPath());
        const QLabel* legend = m_frame->statusBar()->findChild<QLabel*>(QStringLiteral("ClassLegend"));
        QVERIFY(legend && legend->isHidden());
        const QImage plain = player().grab().toImage();
        const QRgb background = plain.pixel(0, 0);
        const auto at = [](const QImage& image, int x, int y) { return image.pixel(kLeft + x, kTop + y); };
        QCOMPARE(at(plain, 0, 0), qRgb(12, 243, 0x40));
        QCOMPARE(at(plain, 4, 0), background);

        m_frame->Action(ID_VIEW_SHOW_CLASSES)->trigger();
        QVERIFY(m_frame->Action(ID_VIEW_SHOW_CLASSES)->isChecked());
        QVERIFY(!legend->isHidden());
        const QImage marked = player().grab().toImage();
        struct Mark {
            int x, y;
            QRgb colour;
        };
        const QRgb civilization = qRgb(255, 0, 255), light = qRgb(255, 255, 0), shadow = qRgb(0, 0, 255),
                   transparent = qRgb(0, 255, 0);
        const Mark marks[] = {{0, 0, civilization}, {1, 0, at(plain, 1, 0)}, {2, 0, light}, {3, 0, shadow},
                              {4, 0, transparent},  {0, 1, civilization},    {1, 1, at(plain, 1, 1)},
                              {2, 1, light},        {3, 1, shadow},          {4, 1, shadow},
                              {5, 1, at(plain, 5, 1)}};
        for (const Mark& mark : marks)
            QVERIFY2(at(marked, mark.x, mark.y) == mark.colour, qPrintable(QStringLiteral("%1, %2").arg(mark.x).arg(mark.y)));
        QCOMPARE(marked.pixel(0, 0), background);
        // The legend shows the same four colours.
        for (const char* colour : {"#ff00ff", "#ffff00", "#0000ff", "#00ff00"})
            QVERIFY2(legend->text().contains(QLatin1String(colour)), colour);

        m_frame->Action(ID_VIEW_SHOW_CLASSES)->trigger();
        QVERIFY(legend->isHidden());
        QCOMPARE(player().grab().toImage(), plain);
    }
};

KINETRA_QTEST_MAIN(CMainFramePictureTest)
#include "CMainFramePictureTest.moc"
