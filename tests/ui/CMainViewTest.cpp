#include "app/CCivColorCombo.h"
#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "imaging/CFlcPlayer.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "flc/FlcEncoder.h"
#include "formats/PcxWriter.h"
#include "ui/CMainFrame.h"
#include "uikit/CButtonST.h"
#include "uikit/CColourPopupXP.h"
#include "uikit/Colour.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kSample = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");
const QString kPlain = QStringLiteral(KINETRA_SAMPLES_DIR "/plain.flc");

// Every control that a missing file disables.
const int kFileControls[] = {
    IDC_STOP,  IDC_PAUSE,   IDC_PLAY,         IDC_INFO,          IDC_FIRST,          IDC_BACK,
    IDC_PREVIOUS, IDC_NEXT, IDC_FORWARD,      IDC_LAST,          IDC_DIR_W,          IDC_DIR_SW,
    IDC_DIR_SE, IDC_DIR_S,  IDC_DIR_NW,       IDC_DIR_NE,        IDC_DIR_N,          IDC_DIR_E,
    IDC_DIR_ALL, IDC_FRAME_SLIDER, IDC_DELAY_SLIDER, IDC_DELAY_DEFAULT, IDC_DELAY_CUSTOM, IDC_DEFAULT_DELAY,
    IDC_ALPHA_BLEND, IDC_CIV_COLOR, IDC_PALETTE,
};

const int kCompass[] = {IDC_DIR_W, IDC_DIR_SW, IDC_DIR_SE, IDC_DIR_S, IDC_DIR_NW, IDC_DIR_NE, IDC_DIR_N, IDC_DIR_E};

bool writeBytes(const QString& path, const kinetra::encoder::Bytes& bytes)
{
    QFile file(path);
    return !bytes.empty() && file.open(QIODevice::WriteOnly)
        && file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

// A game animation of 7 directions of 4 frames.
bool writeSevenDirections(const QString& path)
{
    kinetra::encoder::GameAnimation animation;
    animation.width = 8;
    animation.height = 8;
    animation.directions = 7;
    animation.framesPerDirection = 4;
    for (int i = 0; i < 7 * 4; ++i) {
        kinetra::IndexImage image(8, 8);
        image.pixels.assign(image.pixels.size(), std::uint8_t(64 + i));
        animation.images.push_back(image);
    }
    const kinetra::encoder::Bytes bytes = kinetra::encoder::buildGameAnimation(animation);
    QFile file(path);
    return !bytes.empty() && file.open(QIODevice::WriteOnly)
        && file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

} // namespace

class CMainViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CKinetraApp> m_app;
    std::unique_ptr<CKinetraDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;

    CMainView& view() { return *m_frame->GetActiveView(); }
    CFlcPlayer& player() { return view().Player(); }
    QWidget* control(int id) { return view().GetDlgItem(id); }
    bool enabled(int id) { return control(id) && control(id)->isEnabled(); }
    bool checked(int id) { return qobject_cast<QAbstractButton*>(control(id))->isChecked(); }
    QString text(int id) { return qobject_cast<QLabel*>(control(id))->text(); }
    CCivColorCombo* combo() { return qobject_cast<CCivColorCombo*>(control(IDC_CIV_COLOR)); }
    QSlider* slider(int id) { return qobject_cast<QSlider*>(control(id)); }

    void open(const QString& path)
    {
        m_doc->SetPathName(path, false);
        view().OnInitialUpdate();
    }

    void chooseCivColor(int index)
    {
        combo()->setCurrentIndex(index);
        emit combo()->activated(index);
    }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        for (const char* entry : {"Direction", "Bgd Type", "Custom Color", "AlphaBlend", "Pal Type", "Pal Dir"})
            uDeleteProfileEntry(kOptions, QString::fromLatin1(entry));
        m_app = std::make_unique<CKinetraApp>();
        m_app->m_nPalType = 1;
        m_doc = std::make_unique<CKinetraDoc>();
        m_frame = std::make_unique<CMainFrame>(m_doc.get());
        QVERIFY(m_frame->LoadFrame());
    }

    void cleanup()
    {
        m_frame.reset();
        m_doc.reset();
        m_app.reset();
    }

    void withoutAFileEverythingIsOff()
    {
        QVERIFY(!player().loaded);
        for (int id : kFileControls)
            QVERIFY2(!enabled(id), qPrintable(QString::number(id)));
        QVERIFY(!checked(IDC_PAUSE));
        QCOMPARE(text(IDC_CUR_FRAME), QStringLiteral("0"));
        QCOMPARE(text(IDC_LAST_FRAME), QStringLiteral("0"));
        for (unsigned id : {ID_FLC_PLAY, ID_FLC_PAUSE, ID_FLC_STOP, ID_FLC_INFO, ID_FLC_FIRST, ID_FLC_BACK,
                            ID_FLC_PREVIOUS, ID_FLC_NEXT, ID_FLC_FORWARD, ID_FLC_LAST, ID_BGD_DEFAULT, ID_BGD_CUSTOM,
                            ID_BGD_SEA, ID_BGD_LAND, ID_BGD_SELECT_COLOR, ID_ALPHA_BLEND, ID_PALETTE, ID_FILE_REFRESH})
            QVERIFY2(!m_frame->Action(id)->isEnabled(), qPrintable(QString::number(id)));
    }

    void theFormHoldsItsControlsBesideThePicture()
    {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QWidget* picture = control(IDC_PLAYER);
        QCOMPARE(picture->size(), QSize(240, 240));
        const QRect pictureArea(picture->mapTo(&view(), QPoint(0, 0)), picture->size());
        // Every control lies right of the picture and wholly inside the view.
        for (int id : kFileControls) {
            QWidget* widget = control(id);
            const QRect area(widget->mapTo(&view(), QPoint(0, 0)), widget->size());
            QVERIFY2(view().rect().contains(area), qPrintable(QString::number(id)));
            QVERIFY2(area.left() > pictureArea.right(), qPrintable(QString::number(id)));
            QVERIFY2(area.size().expandedTo(widget->minimumSizeHint()) == area.size(),
                     qPrintable(QString::number(id)));
        }
        // The compass: NW N NE over W All E over SW S SE.
        const auto at = [this](int id) { return control(id)->mapTo(&view(), QPoint(0, 0)); };
        QVERIFY(at(IDC_DIR_NW).y() < at(IDC_DIR_W).y() && at(IDC_DIR_W).y() < at(IDC_DIR_SW).y());
        QVERIFY(at(IDC_DIR_W).x() < at(IDC_DIR_ALL).x() && at(IDC_DIR_ALL).x() < at(IDC_DIR_E).x());
        QCOMPARE(at(IDC_DIR_N).x(), at(IDC_DIR_S).x());
        // The window is at least as large as the form.
        QVERIFY(m_frame->MinTrackSize().width() >= view().sizeHint().width());
    }

    void aPlainFileWiderThanTheCanvasWidensTheWindow()
    {
        QTemporaryDir folder;
        const QString wide = folder.filePath(QStringLiteral("wide.fli"));
        kinetra::IndexImage image(320, 200);
        std::fill(image.pixels.begin(), image.pixels.end(), std::uint8_t(100));
        QVERIFY(writeBytes(wide, kinetra::encoder::buildPlainFlc(kinetra::Palette{}, {image}, 50)));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        open(kSample);
        const QSize unitFrame = m_frame->size();

        open(wide);
        QWidget* picture = control(IDC_PLAYER);
        QCOMPARE(picture->size(), QSize(320, 200));
        QCOMPARE(player().PresentedImage().width(), 320);
        // The window grows to hold the whole picture and, right of it, the
        // controls.
        QTRY_VERIFY(m_frame->width() > unitFrame.width());
        const auto inFrame = [this](QWidget* widget) {
            return m_frame->rect().contains(QRect(widget->mapTo(m_frame.get(), QPoint(0, 0)), widget->size()));
        };
        QTRY_VERIFY(inFrame(picture));
        for (int id : kFileControls)
            QVERIFY2(inFrame(control(id)), qPrintable(QString::number(id)));
        QVERIFY(control(IDC_PLAY)->mapTo(&view(), QPoint(0, 0)).x() > picture->mapTo(&view(), QPoint(0, 0)).x() + 320);

        // A game animation takes the window back to its size.
        open(kSample);
        QCOMPARE(picture->size(), QSize(240, 240));
        QTRY_COMPARE(m_frame->size(), unitFrame);
    }

    void buttonsShowTheirIconsAndTooltips()
    {
        for (int id : {IDC_PLAY, IDC_PAUSE, IDC_STOP, IDC_FIRST, IDC_BACK, IDC_PREVIOUS, IDC_NEXT, IDC_FORWARD,
                       IDC_LAST, IDC_INFO, IDC_PALETTE})
            QVERIFY2(!qobject_cast<QAbstractButton*>(control(id))->icon().isNull(), qPrintable(QString::number(id)));
        // Stepping buttons show their icon alone.
        QVERIFY(qobject_cast<QAbstractButton*>(control(IDC_FIRST))->text().isEmpty());
        QCOMPARE(qobject_cast<QAbstractButton*>(control(IDC_PLAY))->text(), QStringLiteral("Pla&y"));
        const QStringList tips = {"W", "SW", "SE", "S", "NW", "NE", "N", "E", "All"};
        const int order[] = {IDC_DIR_W,  IDC_DIR_SW, IDC_DIR_SE, IDC_DIR_S,  IDC_DIR_NW,
                             IDC_DIR_NE, IDC_DIR_N,  IDC_DIR_E,  IDC_DIR_ALL};
        for (int i = 0; i < 9; ++i) {
            auto* button = qobject_cast<CButtonST*>(control(order[i]));
            QCOMPARE(button->toolTip(), tips[i]);
            QVERIFY(!button->icon().isNull());
            QVERIFY(button->IsFlatFocusDrawn());
        }
    }

    void playingSampleEnablesByTheTable()
    {
        open(kSample);
        QVERIFY(player().loaded);
        QVERIFY(player().playing);
        QVERIFY(enabled(IDC_STOP) && enabled(IDC_PAUSE) && enabled(IDC_INFO));
        QVERIFY(!enabled(IDC_PLAY));
        for (int id : {IDC_FIRST, IDC_BACK, IDC_PREVIOUS, IDC_NEXT, IDC_FORWARD, IDC_LAST, IDC_FRAME_SLIDER})
            QVERIFY2(!enabled(id), qPrintable(QString::number(id)));
        QVERIFY(!enabled(IDC_DELAY_SLIDER));
        QVERIFY(enabled(IDC_DELAY_DEFAULT) && enabled(IDC_DELAY_CUSTOM) && enabled(IDC_DEFAULT_DELAY));
        QVERIFY(checked(IDC_DELAY_DEFAULT));
        QVERIFY(enabled(IDC_ALPHA_BLEND) && checked(IDC_ALPHA_BLEND));
        QVERIFY(enabled(IDC_CIV_COLOR));
        QVERIFY(enabled(IDC_PALETTE));
        for (int id : kCompass)
            QVERIFY(enabled(id));
        QVERIFY(enabled(IDC_DIR_ALL) && checked(IDC_DIR_ALL));
        QVERIFY(!checked(IDC_DIR_S));

        // The default delay is the file's speed, and so is the slider.
        const int speed = int(player().header.speed);
        QCOMPARE(text(IDC_DEFAULT_DELAY), QStringLiteral("(%1)").arg(speed));
        QCOMPARE(slider(IDC_DELAY_SLIDER)->value(), speed);
        QCOMPARE(slider(IDC_DELAY_SLIDER)->minimum(), 10);
        QCOMPARE(slider(IDC_DELAY_SLIDER)->maximum(), 500);
        QCOMPARE(slider(IDC_DELAY_SLIDER)->tickInterval(), 100);
        // Positions run from 0 to the last frame's, 79.
        QCOMPARE(text(IDC_LAST_FRAME), QStringLiteral("79"));
        QCOMPARE(combo()->currentIndex(), 0);
        QCOMPARE(combo()->count(), 33);
    }

    void colourListFollowsThePaletteSource()
    {
        open(kSample);
        m_app->m_nPalType = 0;
        m_app->m_bGamePath = false;
        view().UpdateControls();
        QVERIFY(enabled(IDC_CIV_COLOR));
        m_app->m_bGamePath = true;
        view().UpdateControls();
        QVERIFY(enabled(IDC_CIV_COLOR));
        QVERIFY(combo()->toolTip().isEmpty());
        QTemporaryDir folder;
        m_app->m_nPalType = 2;
        m_app->m_strPalDir = folder.path() + QStringLiteral("/missing");
        view().UpdateControls();
        QVERIFY(!enabled(IDC_CIV_COLOR));
        m_app->m_strPalDir = folder.path();
        view().UpdateControls();
        QVERIFY(enabled(IDC_CIV_COLOR));
        m_app->m_nPalType = 3;
        view().UpdateControls();
        QVERIFY(!enabled(IDC_CIV_COLOR));
    }

    void withoutTheGameTheColoursAreKinetrasOwnUntilItIsFound()
    {
        uWriteProfileInt(kOptions, QStringLiteral("Pal Type"), 0);
        m_app->LoadSettings();
        m_app->m_bGamePath = false;
        open(kSample);
        QCOMPARE(m_app->m_nPalType, 0);
        QVERIFY(enabled(IDC_CIV_COLOR));
        QCOMPARE(combo()->toolTip(), QStringLiteral("The game was not found: using Kinetra's own civilization palettes."));

        // Colouring 5 of the built-in set, as --pal-type 1 gives it.
        kinetra::test::ModalRecorder boxes;
        chooseCivColor(5);
        QVERIFY(boxes.requests.isEmpty());
        QCOMPARE(view().m_nCivColor, 5);
        QCOMPARE(player().displayPalette[6], kinetra::PaletteEntry::fromRgb(11, 120, 10));
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Pal Type"), -1), 0);

        // A game found later has its own colouring 5 used again.
        QTemporaryDir game;
        QVERIFY(QDir().mkpath(game.filePath(QStringLiteral("Art/Units/Palettes"))));
        kinetra::Palette gameColours{};
        gameColours[6] = kinetra::PaletteEntry::fromRgb(1, 2, 3);
        const std::vector<std::uint8_t> pcx = kinetra::encodePcx(kinetra::IndexImage(1, 1), gameColours);
        QFile file(game.filePath(QStringLiteral("Art/Units/Palettes/ntp04.pcx")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(reinterpret_cast<const char*>(pcx.data()), qint64(pcx.size())), qint64(pcx.size()));
        file.close();
        m_app->m_strGamePath = game.path();
        m_app->m_bGamePath = true;
        view().UpdateControls();
        QVERIFY(combo()->toolTip().isEmpty());
        chooseCivColor(0);
        chooseCivColor(5);
        QVERIFY(boxes.requests.isEmpty());
        QCOMPARE(player().displayPalette[6], kinetra::PaletteEntry::fromRgb(1, 2, 3));
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Pal Type"), -1), 0);
    }

    void plainFileLeavesOnlyAllAndNoColours()
    {
        open(kPlain);
        QVERIFY(player().loaded);
        for (int id : kCompass)
            QVERIFY(!enabled(id));
        QVERIFY(enabled(IDC_DIR_ALL));
        QVERIFY(!enabled(IDC_ALPHA_BLEND));
        QVERIFY(!enabled(IDC_CIV_COLOR));
        for (unsigned id : {ID_BGD_DEFAULT, ID_BGD_SEA, ID_BGD_SELECT_COLOR, ID_ALPHA_BLEND})
            QVERIFY(!m_frame->Action(id)->isEnabled());
    }

    void fewerThanEightDirectionsLeaveOnlyAll()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("seven.flc"));
        QVERIFY(writeSevenDirections(path));
        open(path);
        QVERIFY(player().loaded);
        QVERIFY(!player().IsPlainFlc());
        for (int id : kCompass)
            QVERIFY(!enabled(id));
        QVERIFY(enabled(IDC_DIR_ALL));
        QVERIFY(checked(IDC_DIR_ALL));
        // A direction is refused and playback covers every frame.
        QVERIFY(!view().SelectDirection(2));
        QCOMPARE(player().direction, 0);
        QCOMPARE(player().rangeEnd, 28);
    }

    void stopResetsTheDelayToDefault()
    {
        open(kSample);
        qobject_cast<QRadioButton*>(control(IDC_DELAY_CUSTOM))->click();
        QCOMPARE(view().m_nDelayMode, 1);
        QVERIFY(!player().UsesFileSpeed());
        QVERIFY(enabled(IDC_DELAY_SLIDER));
        QCOMPARE(player().TimerInterval(), int(player().customDelay));

        qobject_cast<QAbstractButton*>(control(IDC_STOP))->click();
        QVERIFY(!player().playing);
        QVERIFY(player().UsesFileSpeed());
        QCOMPARE(view().m_nDelayMode, 0);
        QVERIFY(checked(IDC_DELAY_DEFAULT));
        QVERIFY(!enabled(IDC_DELAY_SLIDER));
        QVERIFY(!enabled(IDC_DELAY_DEFAULT) && !enabled(IDC_DELAY_CUSTOM) && !enabled(IDC_DEFAULT_DELAY));
        QVERIFY(enabled(IDC_PLAY) && !enabled(IDC_STOP) && !enabled(IDC_PAUSE));
        for (int id : {IDC_FIRST, IDC_BACK, IDC_PREVIOUS, IDC_NEXT, IDC_FORWARD, IDC_LAST, IDC_FRAME_SLIDER})
            QVERIFY(enabled(id));
        QVERIFY(m_frame->Action(ID_FLC_PLAY)->isEnabled());
        QVERIFY(!m_frame->Action(ID_FLC_STOP)->isEnabled());
        QVERIFY(m_frame->Action(ID_FLC_FIRST)->isEnabled());
        QCOMPARE(player().TimerInterval(), 50);
    }

    void delaySliderReleaseSetsTheCustomDelay()
    {
        open(kSample);
        qobject_cast<QRadioButton*>(control(IDC_DELAY_CUSTOM))->click();
        QSlider* delay = slider(IDC_DELAY_SLIDER);
        const int frame = player().currentFrame;
        delay->setSliderDown(true);
        delay->setSliderPosition(300);
        // Dragging changes neither the delay nor the frame.
        QCOMPARE(player().currentFrame, frame);
        QVERIFY(player().customDelay != 300);
        delay->setSliderDown(false);
        QCOMPARE(player().customDelay, 300u);
        QCOMPARE(player().TimerInterval(), 300);
    }

    void pauseIsCheckedWhilePaused()
    {
        open(kSample);
        QAction* pause = m_frame->Action(ID_FLC_PAUSE);
        QVERIFY(pause->isEnabled());
        QVERIFY(!pause->isChecked());
        pause->trigger();
        QVERIFY(player().paused);
        QVERIFY(pause->isChecked());
        QVERIFY(checked(IDC_PAUSE));
        pause->trigger();
        QVERIFY(!player().paused);
        QVERIFY(!pause->isChecked());
        // Not loaded: Pause loses its check.
        pause->trigger();
        m_doc->SetPathName(QString(), false);
        view().OnInitialUpdate();
        QVERIFY(!checked(IDC_PAUSE));
        QVERIFY(!pause->isChecked());
    }

    void selectDirectionPlaysThatRange()
    {
        open(kSample);
        QVERIFY(view().SelectDirection(2));
        QCOMPARE(player().rangeStart, 10);
        QCOMPARE(player().rangeEnd, 20);
        QVERIFY(checked(IDC_DIR_S));
        QVERIFY(!checked(IDC_DIR_ALL));
        QCOMPARE(text(IDC_LAST_FRAME), QStringLiteral("9"));

        // The compass button does the same.
        qobject_cast<QAbstractButton*>(control(IDC_DIR_W))->click();
        QCOMPARE(player().direction, 8);
        QVERIFY(checked(IDC_DIR_W) && !checked(IDC_DIR_S));
        qobject_cast<QAbstractButton*>(control(IDC_DIR_S))->click();
        QCOMPARE(player().direction, 2);

        m_frame->Action(ID_FLC_STOP)->trigger();
        QCOMPARE(player().currentFrame, 10);
        // Last is S's own last frame, and Next stays in S.
        m_frame->Action(ID_FLC_LAST)->trigger();
        QCOMPARE(player().currentFrame, 19);
        QCOMPARE(text(IDC_CUR_FRAME), QStringLiteral("9"));
        QCOMPARE(slider(IDC_FRAME_SLIDER)->value(), 9);
        m_frame->Action(ID_FLC_NEXT)->trigger();
        QCOMPARE(player().currentFrame, 19);
        m_frame->Action(ID_FLC_FIRST)->trigger();
        QCOMPARE(player().currentFrame, 10);
        m_frame->Action(ID_FLC_NEXT)->trigger();
        QCOMPARE(player().currentFrame, 11);
        m_frame->Action(ID_FLC_PREVIOUS)->trigger();
        m_frame->Action(ID_FLC_PREVIOUS)->trigger();
        QCOMPARE(player().currentFrame, 10);

        // Unloaded, nothing is selected.
        m_doc->SetPathName(QString(), false);
        view().OnInitialUpdate();
        QVERIFY(!view().SelectDirection(2));
    }

    void windingStopsAtTheEndsOfTheRange()
    {
        open(kSample);
        view().SelectDirection(2);
        m_frame->Action(ID_FLC_STOP)->trigger();

        m_frame->Action(ID_FLC_FORWARD)->trigger();
        QVERIFY(view().m_bForwardWind);
        QVERIFY(!view().m_bBackWind);
        QVERIFY(m_frame->Action(ID_FLC_FORWARD)->isChecked());
        QVERIFY(checked(IDC_FORWARD));
        int ticks = 0;
        while (view().m_bForwardWind && ticks < 50) {
            view().OnTimer(CMainView::kWindingTimer);
            ++ticks;
        }
        QCOMPARE(ticks, 9);
        QCOMPARE(player().currentFrame, 19);
        QVERIFY(!view().m_bForwardWind && !view().m_bBackWind);
        QVERIFY(!m_frame->Action(ID_FLC_FORWARD)->isChecked());
        QVERIFY(!checked(IDC_FORWARD));

        // From the last frame forward winding stops at the first tick.
        m_frame->Action(ID_FLC_FORWARD)->trigger();
        view().OnTimer(CMainView::kWindingTimer);
        QVERIFY(!view().m_bForwardWind);
        QCOMPARE(player().currentFrame, 19);

        // Back winding runs down to the range start; switching it on
        // switches forward winding off.
        m_frame->Action(ID_FLC_FORWARD)->trigger();
        m_frame->Action(ID_FLC_BACK)->trigger();
        QVERIFY(view().m_bBackWind && !view().m_bForwardWind);
        ticks = 0;
        while (view().m_bBackWind && ticks < 50) {
            view().OnTimer(CMainView::kWindingTimer);
            ++ticks;
        }
        QCOMPARE(ticks, 9);
        QCOMPARE(player().currentFrame, 10);
        QVERIFY(!view().m_bBackWind && !view().m_bForwardWind);

        // The same toggle twice stops it.
        m_frame->Action(ID_FLC_FORWARD)->trigger();
        m_frame->Action(ID_FLC_FORWARD)->trigger();
        QVERIFY(!view().m_bForwardWind);
    }

    void windingRunsOnItsOwnTimer()
    {
        open(kSample);
        view().SelectDirection(2);
        m_frame->Action(ID_FLC_STOP)->trigger();
        m_frame->Action(ID_FLC_FORWARD)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view().m_bForwardWind, 5000);
        QCOMPARE(player().currentFrame, 19);
    }

    void playAndStepsStopWinding()
    {
        open(kSample);
        m_frame->Action(ID_FLC_STOP)->trigger();
        m_frame->Action(ID_FLC_FORWARD)->trigger();
        view().OnTimer(CMainView::kWindingTimer);
        QVERIFY(view().m_bForwardWind);
        m_frame->Action(ID_FLC_PLAY)->trigger();
        QVERIFY(!view().m_bForwardWind && !view().m_bBackWind);
        QVERIFY(player().playing);
        QCOMPARE(player().currentFrame, player().rangeStart);
        QVERIFY(!enabled(IDC_FORWARD));

        m_frame->Action(ID_FLC_STOP)->trigger();
        m_frame->Action(ID_FLC_BACK)->trigger();
        m_frame->Action(ID_FLC_LAST)->trigger();
        QVERIFY(!view().m_bBackWind);
    }

    void frameSliderMovesTheCurrentFrame()
    {
        open(kSample);
        view().SelectDirection(2);
        m_frame->Action(ID_FLC_STOP)->trigger();
        QSlider* frames = slider(IDC_FRAME_SLIDER);
        QCOMPARE(frames->minimum(), 0);
        // The slider's right end is S's last frame, not SE's first.
        QCOMPARE(frames->maximum(), 9);

        // The thumb moves the frame while it is dragged.
        frames->setSliderDown(true);
        frames->setSliderPosition(4);
        QCOMPARE(player().currentFrame, 14);
        QCOMPARE(text(IDC_CUR_FRAME), QStringLiteral("4"));
        frames->setSliderPosition(7);
        QCOMPARE(player().currentFrame, 17);
        frames->setSliderDown(false);
        QCOMPARE(player().currentFrame, 17);

        // A click beside the thumb moves it at once.
        frames->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(player().currentFrame, 16);
        QCOMPARE(text(IDC_CUR_FRAME), QStringLiteral("6"));
    }

    void civColorTintsFromTheBuiltInSet()
    {
        kinetra::test::ModalRecorder boxes;
        open(kSample);
        chooseCivColor(5);
        QVERIFY(boxes.requests.isEmpty());
        QCOMPARE(view().m_nCivColor, 5);
        QCOMPARE(player().displayPalette[6], kinetra::PaletteEntry::fromRgb(11, 120, 10));
        QCOMPARE(CCivColorCombo::ItemColor(5), 11u | (120u << 8) | (10u << 16));
        QVERIFY(player().loaded);

        // The same entry again does nothing.
        player().displayPalette[6] = kinetra::PaletteEntry::fromRgb(1, 2, 3);
        chooseCivColor(5);
        QCOMPARE(player().displayPalette[6], kinetra::PaletteEntry::fromRgb(1, 2, 3));
        QVERIFY(boxes.requests.isEmpty());

        // A reload goes back to the file's own colours and "Default".
        m_frame->Action(ID_FILE_REFRESH)->trigger();
        QCOMPARE(combo()->currentIndex(), 0);
        QCOMPARE(view().m_nCivColor, 0);
        QCOMPARE(CCivColorCombo::ItemColor(5), 11u | (120u << 8) | (10u << 16));
    }

    void missingPaletteInTheFolderGoesBack()
    {
        QTemporaryDir folder;
        open(kSample);
        chooseCivColor(5);
        m_app->m_nPalType = 2;
        m_app->m_strPalDir = folder.path();
        view().UpdateControls();
        QVERIFY(enabled(IDC_CIV_COLOR));

        kinetra::test::ModalRecorder boxes;
        chooseCivColor(7);
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Cannot get civilization specified palette.")});
        QCOMPARE(boxes.requests.first().type, unsigned(MB_OK));
        QCOMPARE(combo()->currentIndex(), 5);
        QCOMPARE(view().m_nCivColor, 5);
        QVERIFY(player().loaded);
    }

    void colourPopupDefaultEntryStoresTheFaceColourAsCustom()
    {
        open(kSample);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->Action(ID_BGD_SEA)->trigger();
        QCOMPARE(player().backgroundType, int(kinetra::kBackgroundSea));

        m_frame->Action(ID_BGD_SELECT_COLOR)->trigger();
        QWidget* popup = view().ColourPopup();
        QVERIFY(popup);
        // Anchored under the toolbar's Select color button.
        QToolButton* button = m_frame->ToolBarButton(ID_BGD_SELECT_COLOR);
        QVERIFY(button);
        QCOMPARE(popup->pos().x(), button->mapToGlobal(QPoint(0, 0)).x());
        QCOMPARE(popup->pos().y(), button->mapToGlobal(QPoint(0, button->height())).y());

        auto* defaultEntry = popup->findChild<QToolButton*>(QStringLiteral("defaultEntry"));
        QVERIFY(defaultEntry);
        defaultEntry->click();
        QTRY_VERIFY(!view().ColourPopup());

        const unsigned face = player().GetDefaultColor();
        QCOMPARE(player().backgroundType, int(kinetra::kBackgroundCustom));
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Bgd Type"), -1), 1);
        QCOMPARE(unsigned(uGetProfileInt(kOptions, QStringLiteral("Custom Color"), -1)), face);
        QCOMPARE(m_frame->m_crBackground, face);
        QVERIFY(m_frame->Action(ID_BGD_CUSTOM)->isChecked());
    }

    void colourPopupColourBecomesTheBackground()
    {
        open(kSample);
        view().OnColourSelected(0x000000FF, ID_BGD_SELECT_COLOR);
        QCOMPARE(player().customColor, 0x000000FFu);
        QCOMPARE(player().fillColor, 0x00FF0000u);
        QCOMPARE(m_frame->m_crBackground, 0x000000FFu);
        // Another control's choice is not ours.
        QCOMPARE(view().OnColourSelected(0x0000FF00, 1234), 1);
        QCOMPARE(player().customColor, 0x000000FFu);
    }

    void backgroundCommandsAreRadioItems()
    {
        open(kSample);
        const unsigned backgrounds[] = {ID_BGD_DEFAULT, ID_BGD_CUSTOM, ID_BGD_SEA, ID_BGD_LAND};
        const auto only = [&](unsigned id) {
            for (unsigned other : backgrounds)
                if (m_frame->Action(other)->isChecked() != (other == id))
                    return false;
            return true;
        };
        for (unsigned id : backgrounds)
            QVERIFY(m_frame->Action(id)->isEnabled());
        QVERIFY(only(ID_BGD_DEFAULT));
        m_frame->Action(ID_BGD_SEA)->trigger();
        QVERIFY(only(ID_BGD_SEA));
        m_frame->Action(ID_BGD_LAND)->trigger();
        QCOMPARE(player().backgroundType, int(kinetra::kBackgroundLand));
        QVERIFY(only(ID_BGD_LAND));
        m_frame->Action(ID_BGD_CUSTOM)->trigger();
        QVERIFY(only(ID_BGD_CUSTOM));
        m_frame->Action(ID_BGD_DEFAULT)->trigger();
        QVERIFY(only(ID_BGD_DEFAULT));
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Bgd Type"), -1), 0);
    }

    void aMissingTileSaysSo()
    {
        // A tile file that is no PCX cannot be shown.
        const QString tile =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Halvorek/Kinetra/Land.pcx");
        QDir().mkpath(QFileInfo(tile).absolutePath());
        QFile file(tile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
        file.close();

        open(kSample);
        kinetra::test::ModalRecorder boxes;
        m_frame->Action(ID_BGD_LAND)->trigger();
        QFile::remove(tile);
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Cannot set background image.")});
        QCOMPARE(boxes.requests.first().type, unsigned(MB_ICONSTOP));
        QVERIFY(!m_frame->Action(ID_BGD_LAND)->isChecked());
    }

    void alphaBlendSwitchesBackgroundsOff()
    {
        open(kSample);
        m_frame->Action(ID_BGD_SEA)->trigger();
        QVERIFY(m_frame->Action(ID_ALPHA_BLEND)->isChecked());
        qobject_cast<QCheckBox*>(control(IDC_ALPHA_BLEND))->click();
        QVERIFY(!player().alphaBlend);
        QVERIFY(!checked(IDC_ALPHA_BLEND));
        QVERIFY(!m_frame->Action(ID_ALPHA_BLEND)->isChecked());
        QCOMPARE(player().backgroundType, int(kinetra::kBackgroundDefault));
        for (unsigned id : {ID_BGD_DEFAULT, ID_BGD_CUSTOM, ID_BGD_SEA, ID_BGD_LAND, ID_BGD_SELECT_COLOR})
            QVERIFY(!m_frame->Action(id)->isEnabled());

        m_frame->Action(ID_ALPHA_BLEND)->trigger();
        QVERIFY(player().alphaBlend);
        QVERIFY(checked(IDC_ALPHA_BLEND));
        QVERIFY(m_frame->Action(ID_BGD_SEA)->isEnabled());
    }

    void plainFileKeepsAlphaBlendsCheckMarkGreyed()
    {
        open(kPlain);
        QVERIFY(!enabled(IDC_ALPHA_BLEND));
        QVERIFY(checked(IDC_ALPHA_BLEND));
        QVERIFY(!m_frame->Action(ID_ALPHA_BLEND)->isEnabled());
        QVERIFY(m_frame->Action(ID_ALPHA_BLEND)->isChecked());
    }

    void tabWalksTheDirectionPadAsACompass()
    {
        const QList<int> compass = {IDC_DIR_NW, IDC_DIR_N,  IDC_DIR_NE, IDC_DIR_W, IDC_DIR_ALL,
                                    IDC_DIR_E,  IDC_DIR_SW, IDC_DIR_S,  IDC_DIR_SE};
        QList<int> walked;
        QWidget* widget = control(IDC_DIR_NW);
        for (int step = 0; step < 200 && walked.size() < compass.size(); ++step, widget = widget->nextInFocusChain())
            for (int id : compass)
                if (control(id) == widget && !walked.contains(id))
                    walked.append(id);
        QCOMPARE(walked, compass);
    }

    void buttonsToggledWithoutTheMouseDriveThePlayer()
    {
        open(kSample);
        view().OnStop();
        auto* back = qobject_cast<QAbstractButton*>(control(IDC_BACK));
        auto* forward = qobject_cast<QAbstractButton*>(control(IDC_FORWARD));
        back->toggle();
        QVERIFY(view().m_bBackWind);
        forward->setChecked(true);
        QVERIFY(view().m_bForwardWind && !view().m_bBackWind);
        QVERIFY(!back->isChecked());
        forward->toggle();
        QVERIFY(!view().m_bForwardWind && !forward->isChecked());

        auto* north = qobject_cast<QAbstractButton*>(control(IDC_DIR_N));
        north->setChecked(true);
        QCOMPARE(player().direction, 6);
        QVERIFY(!checked(IDC_DIR_ALL));
        // The chosen direction cannot be unchosen, only another chosen.
        north->toggle();
        QVERIFY(north->isChecked());
        QCOMPARE(player().direction, 6);
        qobject_cast<QAbstractButton*>(control(IDC_DIR_ALL))->toggle();
        QCOMPARE(player().direction, 0);
        QVERIFY(!north->isChecked());
    }

    void aFailedLoadEmptiesTheFrameSlider()
    {
        open(kSample);
        view().OnStop();
        view().OnNext();
        view().OnNext();
        QVERIFY(slider(IDC_FRAME_SLIDER)->maximum() > 0);
        QVERIFY(slider(IDC_FRAME_SLIDER)->value() > 0);
        QTemporaryDir folder;
        kinetra::test::ModalRecorder recorder;
        open(folder.filePath(QStringLiteral("gone.flc")));
        QVERIFY(!player().loaded);
        QCOMPARE(slider(IDC_FRAME_SLIDER)->maximum(), 0);
        QCOMPARE(slider(IDC_FRAME_SLIDER)->value(), 0);
    }

    void playbackCommandsFollowTheFormButtons()
    {
        open(kSample);
        for (const auto& [command, id] : {std::pair{ID_FLC_PLAY, IDC_PLAY}, {ID_FLC_PAUSE, IDC_PAUSE},
                                           {ID_FLC_STOP, IDC_STOP}, {ID_FLC_INFO, IDC_INFO},
                                           {ID_FLC_FIRST, IDC_FIRST}, {ID_FLC_BACK, IDC_BACK}})
            QCOMPARE(m_frame->Action(command)->isEnabled(), enabled(id));
        QCOMPARE(m_frame->Action(ID_PALETTE)->isEnabled(), enabled(IDC_PALETTE));
        for (unsigned id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_PALETTE, ID_PALETTE_IMPORT, ID_PALETTE_EXPORT})
            QVERIFY(m_frame->Action(id)->isEnabled());
        QVERIFY(m_frame->Action(ID_FILE_REFRESH)->isEnabled());
        // Info runs its dialog modally, through the one modal entry point.
        kinetra::test::ModalRecorder boxes;
        m_frame->Action(ID_FLC_INFO)->trigger();
        QCOMPARE(boxes.requests.size(), 1);
        QVERIFY(player().playing);
    }
};

KINETRA_QTEST_MAIN(CMainViewTest)
#include "CMainViewTest.moc"
