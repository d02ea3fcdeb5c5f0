#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "flc/FlcEncoder.h"
#include "imaging/CFlcPlayer.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CMainFrame.h"
#include "uikit/Profile.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>

#include <memory>

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kSample = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");

// One index of every class and the edges between them; frame 1 has index
// 100 at (0, 0). Palette entry i is (i, 255 − i, 0x40).
const std::uint8_t kIndices[] = {12, 130, 229, 246, 255, 0, 63, 64, 224, 240, 254, 223};
constexpr int kLeft = 37;
constexpr int kTop = 51;

bool writeTestFiles(const QString& unitPath, const QString& plainPath)
{
    kinetra::encoder::GameAnimation unit;
    unit.width = 6;
    unit.height = 2;
    unit.directions = 1;
    unit.framesPerDirection = 2;
    unit.leftOffset = kLeft;
    unit.topOffset = kTop;
    for (int i = 0; i < 256; ++i)
        unit.palette[std::size_t(i)] = kinetra::PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(255 - i), 0x40);
    kinetra::IndexImage first(6, 2);
    first.pixels.assign(std::begin(kIndices), std::end(kIndices));
    unit.images = {first, first};
    unit.images[1].pixels[0] = 100;
    const auto write = [](const QString& path, const kinetra::encoder::Bytes& bytes) {
        QFile file(path);
        return !bytes.empty() && file.open(QIODevice::WriteOnly)
            && file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
    };
    return write(unitPath, kinetra::encoder::buildGameAnimation(unit))
        && write(plainPath, kinetra::encoder::buildPlainFlc(unit.palette, unit.images, 50));
}

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
    QAction* action(unsigned id) { return m_frame->Action(id); }

    void makeFrame()
    {
        m_frame = std::make_unique<CMainFrame>(m_doc.get());
        QVERIFY(m_frame->LoadFrame());
    }

    // Opens path, stopped on its first frame, which is on screen.
    void open(const QString& path)
    {
        m_doc->SetPathName(path, false);
        view().OnInitialUpdate();
        view().OnStop();
        QVERIFY(player().Tick());
    }

    void send(QEvent::Type type, const QPointF& at, Qt::MouseButton button = Qt::NoButton)
    {
        QMouseEvent event(type, at, player().mapToGlobal(at), button, button, Qt::NoModifier);
        QApplication::sendEvent(&player(), &event);
    }

    void wheel(int angle, const QPointF& at = QPointF(5, 5))
    {
        QWheelEvent turn(at, player().mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                         Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&player(), &turn);
    }

    // The readout, or "Ready" when the idle text shows instead.
    QString statusText()
    {
        for (const QLabel* label : m_frame->statusBar()->findChildren<QLabel*>())
            if (!label->isHidden() && label->objectName() != QStringLiteral("ClassLegend"))
                return label->text();
        return {};
    }

    auto playerState()
    {
        const CFlcPlayer& p = player();
        return std::make_tuple(p.currentFrame, p.direction, p.rangeStart, p.rangeEnd, p.backgroundType,
                               view().m_nCivColor, p.playing, p.paused, p.loaded, p.alphaBlend, p.fillColor,
                               p.displayPalette);
    }

private slots:
    void initTestCase()
    {
        RegisterKinetraStrings();
        QVERIFY(writeTestFiles(unitPath(), plainPath()));
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
        const struct {
            int x, y;
            const char* expected;
        } cases[] = {
            {0, 0, "x 0, y 0   index 12: civilization 12   #0CF340"},
            {1, 0, "x 1, y 0   index 130: ordinary 130   #827D40"},
            {2, 0, "x 2, y 0   index 229: light 5   #E51A40"},
            {3, 0, "x 3, y 0   index 246: shadow 9   #F60940"},
            {4, 0, "x 4, y 0   index 255: transparent   #FF0040"},
            {3, 1, "x 3, y 1   index 240: shadow 15   #F00F40"},
            {6, 0, "Ready"},
            {-1, 0, "Ready"},
        };
        open(plain ? plainPath() : unitPath());
        view().SetZoom(zoom);
        const QPoint offsets = plain ? QPoint() : QPoint(kLeft, kTop);
        for (const auto& c : cases) {
            // The middle of the pixel as the player shows it.
            send(QEvent::MouseMove, QPointF((offsets + QPoint(c.x, c.y)) * zoom) + QPointF(zoom, zoom) / 2);
            QCOMPARE(statusText(), QString::fromLatin1(c.expected));
        }
    }

    void readoutFollowsTheFrameOnScreenAndThePointer()
    {
        open(unitPath());
        send(QEvent::MouseMove, QPointF(kLeft, kTop));
        view().OnNext();
        QVERIFY(statusText().startsWith(QStringLiteral("x 0, y 0   index 12:")));
        QVERIFY(player().Tick());
        QCOMPARE(statusText(), QStringLiteral("x 0, y 0   index 100: ordinary 100   #649B40"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&player(), &leave);
        QCOMPARE(statusText(), QStringLiteral("Ready"));
    }

    void zoomStepsWithinItsLimitsAndIsKept_data()
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

    void zoomStepsWithinItsLimitsAndIsKept()
    {
        QFETCH(int, stored);
        QFETCH(unsigned, command);
        QFETCH(int, expected);
        uWriteProfileInt(kOptions, QStringLiteral("Zoom"), stored);
        makeFrame();
        open(kSample);
        action(command)->trigger();
        QCOMPARE(player().size(), QSize(240, 240) * expected);
        QCOMPARE(action(ID_VIEW_ZOOM_IN)->isEnabled(), expected < 8);
        QCOMPARE(action(ID_VIEW_ZOOM_OUT)->isEnabled(), expected > 1);
        QCOMPARE(action(ID_VIEW_ACTUAL_SIZE)->isEnabled(), expected > 1);
        m_frame->close();
        makeFrame();
        QCOMPARE(player().Zoom(), expected);
    }

    void zoomIsNearestNeighbourAndScrollsPastTheScreen()
    {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        open(unitPath());
        view().SetZoom(8);
        const QImage shown = player().grab().toImage();
        // Each picture pixel is an 8 × 8 block of its own colour.
        for (const QPoint& inBlock : {QPoint(0, 0), QPoint(7, 7), QPoint(8, 0)})
            QCOMPARE(shown.pixel(QPoint(kLeft, kTop) * 8 + inBlock),
                     inBlock.x() < 8 ? qRgb(12, 243, 0x40) : qRgb(130, 125, 0x40));
        // The window grows up to the screen and no further.
        const QRect screen = m_frame->screen()->availableGeometry();
        QTRY_VERIFY(m_frame->height() > 600);
        QVERIFY(screen.contains(m_frame->frameGeometry()));

        // Ctrl and the wheel zoom; the picture's point under the pointer
        // stays there.
        const QWidget* viewport = player().parentWidget();
        view().SetZoom(3);
        const QPoint before = player().mapTo(viewport, QPoint(330, 345));
        wheel(120, QPointF(330, 345));
        QCOMPARE(player().Zoom(), 4);
        QCOMPARE(player().mapTo(viewport, QPoint(440, 460)), before);

        view().OnActualSize();
        QTRY_VERIFY(m_frame->height() < 600);
    }

    void atItsOwnSizeTheAreaShowsNoScrollingAndTheFormAround()
    {
        open(plainPath());
        const auto* area = qobject_cast<QAbstractScrollArea*>(player().parentWidget()->parentWidget());
        QCOMPARE(area->size(), QSize(240, 240));
        QVERIFY(!area->horizontalScrollBar()->isVisibleTo(area) && !area->verticalScrollBar()->isVisibleTo(area));
        const QImage form = view().grab().toImage();
        QCOMPARE(form.pixel(area->geometry().bottomRight()), form.pixel(1, 1));
    }

    void compactShowsThePictureAloneUntilEscapeOrADoubleClick()
    {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        open(kSample);
        const QSize full = m_frame->size();
        action(ID_VIEW_COMPACT)->trigger();
        QVERIFY(m_frame->menuBar()->isHidden() && m_frame->GetToolBar()->isHidden());
        QVERIFY(m_frame->statusBar()->isHidden());
        for (int id : {IDC_PLAY, IDC_DIR_ALL, IDC_FRAME_SLIDER, IDC_CIV_COLOR, IDC_PALETTE})
            QVERIFY2(!view().GetDlgItem(id)->isVisible(), qPrintable(QString::number(id)));
        QVERIFY(m_frame->windowFlags() & Qt::WindowStaysOnTopHint);
        QTRY_COMPARE(m_frame->size(), QSize(240, 240));
        // Its keys work without the menu.
        QTest::keyClick(m_frame.get(), Qt::Key_Plus, Qt::ControlModifier);
        QTRY_COMPARE(m_frame->size(), QSize(480, 480));

        QTest::keyClick(m_frame.get(), Qt::Key_Escape);
        QVERIFY(!m_frame->IsCompact() && !m_frame->menuBar()->isHidden() && !m_frame->GetToolBar()->isHidden());
        QVERIFY(view().GetDlgItem(IDC_PLAY)->isVisible());
        QVERIFY(!(m_frame->windowFlags() & Qt::WindowStaysOnTopHint));
        view().OnActualSize();
        QTRY_COMPARE(m_frame->size(), full);

        // Kept between runs, without taking the bars it hides for hidden.
        action(ID_VIEW_COMPACT)->trigger();
        m_frame->close();
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Show ToolBar"), 0), 1);
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Show StatusBar"), 0), 1);
        makeFrame();
        QVERIFY(m_frame->IsCompact() && m_frame->menuBar()->isHidden());
        QVERIFY(action(ID_VIEW_COMPACT)->isChecked());
        send(QEvent::MouseButtonDblClick, QPointF(3, 3), Qt::LeftButton);
        QVERIFY(!m_frame->IsCompact() && !m_frame->menuBar()->isHidden());
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Compact"), 1), 0);
    }

    void noneChangesThePlayersState_data()
    {
        QTest::addColumn<QList<unsigned>>("commands");
        QTest::newRow("zoom in") << QList<unsigned>{ID_VIEW_ZOOM_IN};
        QTest::newRow("compact") << QList<unsigned>{ID_VIEW_COMPACT};
        QTest::newRow("there and back") << QList<unsigned>{ID_VIEW_ZOOM_IN,     ID_VIEW_ZOOM_IN,
                                                           ID_VIEW_SHOW_CLASSES, ID_VIEW_COMPACT,
                                                           ID_VIEW_ZOOM_OUT,     ID_VIEW_SHOW_CLASSES,
                                                           ID_VIEW_ACTUAL_SIZE,  ID_VIEW_COMPACT};
    }

    void noneChangesThePlayersState()
    {
        QFETCH(QList<unsigned>, commands);
        open(kSample);
        QVERIFY(view().SelectDirection(3));
        view().OnBgdSea();
        auto* colours = qobject_cast<QComboBox*>(view().GetDlgItem(IDC_CIV_COLOR));
        colours->setCurrentIndex(5);
        emit colours->activated(5);
        view().OnStop();
        view().OnNext();
        view().OnNext();
        const auto before = playerState();
        QCOMPARE(view().m_nCivColor, 5);
        QCOMPARE(player().currentFrame, player().rangeStart + 2);

        for (unsigned id : commands)
            action(id)->trigger();
        QVERIFY(playerState() == before);
        QVERIFY(player().Tick());
        QVERIFY(playerState() == before);
    }

    void showClassesMarksTheClassesAndComesBack()
    {
        open(unitPath());
        const QLabel* legend = m_frame->statusBar()->findChild<QLabel*>(QStringLiteral("ClassLegend"));
        QVERIFY(legend->isHidden());
        const QImage plain = player().grab().toImage();
        const auto at = [](const QImage& image, int x, int y) { return image.pixel(kLeft + x, kTop + y); };
        QCOMPARE(at(plain, 0, 0), qRgb(12, 243, 0x40));
        QCOMPARE(at(plain, 4, 0), plain.pixel(0, 0)); // transparent: the background

        action(ID_VIEW_SHOW_CLASSES)->trigger();
        QVERIFY(action(ID_VIEW_SHOW_CLASSES)->isChecked() && !legend->isHidden());
        const QImage marked = player().grab().toImage();
        const QRgb civilization = qRgb(255, 0, 255), light = qRgb(255, 255, 0), shadow = qRgb(0, 0, 255);
        // Row 0 then row 1 of the frame; ordinary pixels stay as they were.
        const QRgb expected[] = {civilization,     at(plain, 1, 0), light, shadow, qRgb(0, 255, 0), civilization,
                                 civilization,     at(plain, 1, 1), light, shadow, shadow,          at(plain, 5, 1)};
        for (int i = 0; i < 12; ++i)
            QVERIFY2(at(marked, i % 6, i / 6) == expected[i], qPrintable(QString::number(i)));
        QCOMPARE(marked.pixel(0, 0), plain.pixel(0, 0));
        for (const char* colour : {"#ff00ff", "#ffff00", "#0000ff", "#00ff00"})
            QVERIFY2(legend->text().contains(QLatin1String(colour)), colour);

        action(ID_VIEW_SHOW_CLASSES)->trigger();
        QVERIFY(legend->isHidden());
        QCOMPARE(player().grab().toImage(), plain);
    }
};

KINETRA_QTEST_MAIN(CMainFramePictureTest)
#include "CMainFramePictureTest.moc"
