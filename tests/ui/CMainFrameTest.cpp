#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "imaging/CFlcPlayer.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CColorStripButton.h"
#include "ui/CMainFrame.h"
#include "uikit/Colour.h"
#include "uikit/Profile.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kSample = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");

// Commands that act on an open file.
const unsigned kFileCommands[] = {
    ID_FLC_PLAY,   ID_FLC_PAUSE,    ID_FLC_STOP,  ID_FLC_FIRST,        ID_FLC_BACK,    ID_FLC_PREVIOUS,
    ID_FLC_NEXT,   ID_FLC_FORWARD,  ID_FLC_LAST,  ID_BGD_DEFAULT,      ID_BGD_CUSTOM,  ID_BGD_SEA,
    ID_BGD_LAND,   ID_BGD_SELECT_COLOR, ID_ALPHA_BLEND, ID_FLC_INFO, ID_FILE_REFRESH,
};

// The palette and saving commands: usable exactly while a file is loaded.
const unsigned kPaletteAndSaveCommands[] = {
    ID_FILE_SAVE,  ID_FILE_SAVE_AS, ID_PALETTE,      ID_PALETTE_IMPORT, ID_PALETTE_EXPORT,
    ID_EXPORT_GIF, ID_EXPORT_SHEET, ID_EXPORT_STORYBOARD, ID_FILE_PROPERTIES,
};

QStringList itemTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

QMenu* topMenu(const CMainFrame& frame, const QString& title)
{
    for (QAction* action : frame.menuBar()->actions())
        if (action->text() == title)
            return action->menu();
    return nullptr;
}

} // namespace

class CMainFrameTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CKinetraDoc> m_doc;

    std::unique_ptr<CMainFrame> makeFrame()
    {
        auto frame = std::make_unique<CMainFrame>(m_doc.get());
        if (!frame->LoadFrame())
            return nullptr;
        return frame;
    }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        // Each case starts from an empty profile and an empty document.
        for (const QString& section : {kOptions, QStringLiteral("MainFrame"), QStringLiteral("CtrlBars\\CtrlBar")})
            for (const QString& entry : {QStringLiteral("Show ToolBar"), QStringLiteral("Show StatusBar"),
                                         QStringLiteral("Always on top"), QStringLiteral("Shell"),
                                         QStringLiteral("Last Opend"), QStringLiteral("State"), QStringLiteral("X"),
                                         QStringLiteral("Y"), QStringLiteral("Width"), QStringLiteral("Height")})
                uDeleteProfileEntry(section, entry);
        m_doc = std::make_unique<CKinetraDoc>();
    }

    void hiddenToolBarIsRememberedAndUnchecked()
    {
        {
            auto frame = makeFrame();
            QVERIFY(frame);
            QVERIFY(frame->GetToolBar()->isVisibleTo(frame.get()));
            QVERIFY(frame->Action(ID_VIEW_TOOLBAR)->isChecked());
            frame->Action(ID_VIEW_TOOLBAR)->trigger();
            QVERIFY(!frame->GetToolBar()->isVisibleTo(frame.get()));
            frame->close();
        }
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Show ToolBar"), 1), 0);
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Show StatusBar"), 0), 1);

        auto next = makeFrame();
        QVERIFY(!next->GetToolBar()->isVisibleTo(next.get()));
        QVERIFY(!next->Action(ID_VIEW_TOOLBAR)->isChecked());
        QVERIFY(next->statusBar()->isVisibleTo(next.get()));
    }

    void statusBarToggleIsRemembered()
    {
        {
            auto frame = makeFrame();
            frame->Action(ID_VIEW_STATUS_BAR)->trigger();
            QVERIFY(!frame->statusBar()->isVisibleTo(frame.get()));
            QVERIFY(!frame->Action(ID_VIEW_STATUS_BAR)->isChecked());
            frame->close();
        }
        auto next = makeFrame();
        QVERIFY(!next->statusBar()->isVisibleTo(next.get()));
        QVERIFY(!next->Action(ID_VIEW_STATUS_BAR)->isChecked());
    }

    void anyNonZeroAlwaysOnTopMeansTopMostAndIsStoredAsOne_data()
    {
        QTest::addColumn<int>("stored");
        QTest::newRow("5") << 5;
        QTest::newRow("-1") << -1;
    }

    void anyNonZeroAlwaysOnTopMeansTopMostAndIsStoredAsOne()
    {
        QFETCH(int, stored);
        uWriteProfileInt(kOptions, QStringLiteral("Always on top"), stored);
        auto frame = makeFrame();
        QVERIFY(frame->IsTopMost());
        QVERIFY(frame->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(frame->Action(ID_ALWAYS_ON_TOP)->isChecked());
        frame->close();
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Always on top"), 0), 1);
    }

    void alwaysOnTopToggleKeepsThePlacement()
    {
        auto frame = makeFrame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        frame->move(140, 90);
        const QRect before = frame->geometry();
        frame->Action(ID_ALWAYS_ON_TOP)->trigger();
        QVERIFY(frame->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->geometry(), before);
        frame->Action(ID_ALWAYS_ON_TOP)->trigger();
        QVERIFY(!(frame->windowFlags() & Qt::WindowStaysOnTopHint));
        frame->close();
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("Always on top"), -1), 0);
    }

    void placementIsRestored()
    {
        QPoint placed;
        {
            auto frame = makeFrame();
            frame->show();
            QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
            frame->move(123, 77);
            placed = frame->geometry().topLeft();
            frame->close();
        }
        QCOMPARE(uGetProfileInt(QStringLiteral("MainFrame"), QStringLiteral("X"), -1), placed.x());
        auto next = makeFrame();
        QCOMPARE(next->geometry().topLeft(), placed);
    }

    void barStateNamingAMissingBarLoadsTheRest()
    {
        {
            // A layout saved by a window that had one bar more.
            QMainWindow old;
            auto* kept = new QToolBar(&old);
            kept->setObjectName(QStringLiteral("ToolBar"));
            auto* gone = new QToolBar(&old);
            gone->setObjectName(QStringLiteral("GoneBar"));
            old.addToolBar(Qt::BottomToolBarArea, kept);
            old.addToolBar(Qt::LeftToolBarArea, gone);
            uWriteProfileString(QStringLiteral("CtrlBars\\CtrlBar"), QStringLiteral("State"),
                                QString::fromLatin1(old.saveState().toBase64()));
        }
        auto frame = makeFrame();
        QVERIFY(frame);
        QCOMPARE(frame->toolBarArea(frame->GetToolBar()), Qt::BottomToolBarArea);
    }

    void smallMinimumTrackSizesAreIgnored()
    {
        auto frame = makeFrame();
        const QSize before = frame->MinTrackSize();
        frame->SetMinTrackSize(10, 10);
        QCOMPARE(frame->MinTrackSize(), before);

        frame->SetMinTrackSize(900, 500);
        QCOMPARE(frame->MinTrackSize().width(), 900);
        // The menu, tool and status bars come on top of the view's height.
        QVERIFY(frame->MinTrackSize().height() > 500 + frame->menuBar()->sizeHint().height());
        QVERIFY(frame->width() >= 900);
        QVERIFY(frame->height() >= frame->MinTrackSize().height());
    }

    void windowFollowsItsContentsAndCannotBeResized()
    {
        auto frame = makeFrame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QCOMPARE(frame->minimumSize(), frame->maximumSize());
        QVERIFY(frame->width() >= frame->GetActiveView()->sizeHint().width());
        // The bars count towards the minimum whether shown or not, so the
        // view takes the room of a hidden one.
        const QSize withBars = frame->size();
        frame->Action(ID_VIEW_TOOLBAR)->trigger();
        frame->Action(ID_VIEW_STATUS_BAR)->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(frame->minimumSize(), frame->maximumSize());
        QCOMPARE(frame->size(), withBars);
    }

    void windowManagerIsToldTheSizeIsFixed()
    {
        auto frame = makeFrame();
        frame->show();
        for (int round = 0; round < 3; ++round) {
            // Switching the z-order rewrites the window's flags.
            const Qt::WindowFlags flags = frame->windowFlags();
            QVERIFY(flags & Qt::CustomizeWindowHint);
            QVERIFY(flags & Qt::MSWindowsFixedSizeDialogHint);
            QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
            QVERIFY(flags & Qt::WindowCloseButtonHint);
            frame->Action(ID_ALWAYS_ON_TOP)->trigger();
        }
        QVERIFY(!frame->statusBar()->isSizeGripEnabled());
    }

    void toolBarDocksAboveOrBelowAndTheWindowStaysFitted()
    {
        auto frame = makeFrame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QToolBar* toolBar = frame->GetToolBar();
        QVERIFY(toolBar->isFloatable());
        QVERIFY(!toolBar->isAreaAllowed(Qt::LeftToolBarArea));
        QVERIFY(!toolBar->isAreaAllowed(Qt::RightToolBarArea));
        QVERIFY(toolBar->isAreaAllowed(Qt::BottomToolBarArea));
        QCoreApplication::processEvents();
        const QSize fitted = frame->size();
        for (Qt::ToolBarArea area : {Qt::BottomToolBarArea, Qt::TopToolBarArea}) {
            frame->addToolBar(area, toolBar);
            QCoreApplication::processEvents();
            QCOMPARE(frame->toolBarArea(toolBar), area);
            QCOMPARE(frame->size(), fitted);
            // The status bar closes the window, below a toolbar docked there.
            QCOMPARE(frame->statusBar()->geometry().bottom(), frame->height() - 1);
        }
    }

    void exportIsGreyedWithItsItems()
    {
        auto frame = makeFrame();
        QMenu* exportMenu = frame->findChild<QMenu*>(QStringLiteral("Export"));
        QVERIFY(exportMenu);
        QVERIFY(!exportMenu->menuAction()->isEnabled());
        m_doc->SetPathName(kSample, false);
        frame->GetActiveView()->OnInitialUpdate();
        QVERIFY(exportMenu->menuAction()->isEnabled());
    }

    void menusHoldTheirItems()
    {
        auto frame = makeFrame();
        QStringList titles;
        for (const QAction* action : frame->menuBar()->actions())
            titles.append(action->text());
        QCOMPARE(titles, (QStringList{"&1.File", "&2.View", "&3.FLC", "&4.Background", "&5.Palette", "&6.Tools",
                                      "&7.Help"}));

        QMenu* file = topMenu(*frame, QStringLiteral("&1.File"));
        QCOMPARE(itemTexts(file), (QStringList{"&Open...\tCtrl+O", "&New from Storyboard...", "New from Fra&mes...",
                                               "&Save\tCtrl+S", "Save &As...", "&Export", "-", "Propert&ies...", "&Refresh\tF5", "-", "Recent &Files", "-",
                                               "E&xit\tAlt+F4, F12"}));
        QMenu* exportMenu = file->actions().at(5)->menu();
        QVERIFY(exportMenu);
        QCOMPARE(itemTexts(exportMenu), (QStringList{"Animated &GIF...", "&Sprite Sheet...", "&Frames..."}));
        QMenu* recent = file->actions().at(10)->menu();
        QVERIFY(recent);
        QCOMPARE(itemTexts(recent), QStringList{"(None)"});
        QVERIFY(!recent->actions().first()->isEnabled());

        QCOMPARE(itemTexts(topMenu(*frame, QStringLiteral("&2.View"))),
                 (QStringList{"&Toolbar", "&Status Bar", "-", "&Always on Top", "Co&mpact", "-", "Zoom &In\tCtrl++",
                              "Zoom &Out\tCtrl+-", "Actual Si&ze\tCtrl+0", "-", "Show &Classes"}));
        QCOMPARE(itemTexts(topMenu(*frame, QStringLiteral("&3.FLC"))),
                 (QStringList{"Pla&y", "&Pause\tP", "&Stop", "-", "&First", "&Back", "P&revious", "&Next", "&Forward",
                              "&Last"}));
        QCOMPARE(itemTexts(topMenu(*frame, QStringLiteral("&4.Background"))),
                 (QStringList{"&Default", "&Custom", "&Sea", "&Land", "-", "S&elect color...", "-", "&Alpha Blend"}));
        QCOMPARE(itemTexts(topMenu(*frame, QStringLiteral("&5.Palette"))),
                 (QStringList{"Pale&tte", "-", "&Import Palette", "&Export Palette"}));
        QCOMPARE(itemTexts(topMenu(*frame, QStringLiteral("&6.Tools"))), (QStringList{"&Options", "-", "&Info\tI"}));
        QCOMPARE(itemTexts(topMenu(*frame, QStringLiteral("&7.Help"))), QStringList{"&About Kinetra..."});

        // Menu items and the toolbar share one action per command id.
        QCOMPARE(file->actions().first(), frame->Action(ID_FILE_OPEN));
        QCOMPARE(file->actions().first()->data().toUInt(), unsigned(ID_FILE_OPEN));
    }

    void shortcutsAndPrompts()
    {
        auto frame = makeFrame();
        QCOMPARE(frame->Action(ID_FILE_OPEN)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(frame->Action(ID_FILE_SAVE)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(frame->Action(ID_FILE_REFRESH)->shortcut(), QKeySequence(QStringLiteral("F5")));
        QCOMPARE(frame->Action(ID_APP_EXIT)->shortcut(), QKeySequence(QStringLiteral("F12")));
        QCOMPARE(frame->Action(ID_FLC_PAUSE)->shortcut(), QKeySequence(QStringLiteral("P")));
        QCOMPARE(frame->Action(ID_FLC_INFO)->shortcut(), QKeySequence(QStringLiteral("I")));

        QCOMPARE(frame->Action(ID_FLC_PLAY)->statusTip(), QStringLiteral("Play animation"));
        QCOMPARE(frame->Action(ID_FLC_PLAY)->toolTip(), QStringLiteral("Play"));
        QCOMPARE(frame->Action(ID_ALPHA_BLEND)->statusTip(), QStringLiteral("Use or not alpha blendind"));
        QCOMPARE(frame->Action(ID_FILE_OPEN)->toolTip(), QStringLiteral("Open"));
    }

    void statusBarSaysReadyWhenIdle()
    {
        auto frame = makeFrame();
        const auto labels = frame->statusBar()->findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(),
                            [](const QLabel* label) { return label->text() == QStringLiteral("Ready"); }));
        QVERIFY(frame->statusBar()->currentMessage().isEmpty());
    }

    void toolBarHasTheButtonsInOrder()
    {
        auto frame = makeFrame();
        QList<unsigned> ids;
        for (QAction* action : frame->GetToolBar()->actions()) {
            if (action->isSeparator()) {
                ids.append(0);
            } else if (auto* button =
                           qobject_cast<QToolButton*>(frame->GetToolBar()->widgetForAction(action))) {
                ids.append(button->defaultAction() ? button->defaultAction()->data().toUInt() : 1);
            }
        }
        const QList<unsigned> expected = {
            ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_REFRESH, ID_APP_EXIT, 0,
            ID_FLC_PLAY, ID_FLC_PAUSE, ID_FLC_STOP, 0, ID_FLC_FIRST, ID_FLC_BACK, ID_FLC_PREVIOUS, ID_FLC_NEXT,
            ID_FLC_FORWARD, ID_FLC_LAST, 0, ID_BGD_SELECT_COLOR, 0, ID_PALETTE, ID_PALETTE_IMPORT, ID_PALETTE_EXPORT,
            0, ID_OPTIONS, ID_FLC_INFO, ID_APP_ABOUT};
        QCOMPARE(ids, expected);

        auto* open = qobject_cast<QToolButton*>(frame->GetToolBar()->widgetForAction(frame->Action(ID_FILE_OPEN)));
        QVERIFY(open);
        QCOMPARE(open->popupMode(), QToolButton::MenuButtonPopup);
        QVERIFY(open->menu());
        QCOMPARE(itemTexts(open->menu()), QStringList{"(None)"});
        for (QAction* action : frame->GetToolBar()->actions())
            if (!action->isSeparator() && action->data().isValid())
                QVERIFY2(!action->icon().isNull(), qPrintable(action->text()));
    }

    void laterCommandsExistButAreDisabled()
    {
        auto frame = makeFrame();
        for (unsigned id : kFileCommands)
            QVERIFY2(!frame->Action(id)->isEnabled(), qPrintable(QString::number(id)));
        for (unsigned id : kPaletteAndSaveCommands) {
            QVERIFY2(frame->Action(id), qPrintable(QString::number(id)));
            QVERIFY2(!frame->Action(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QVERIFY(frame->Action(ID_FILE_OPEN)->isEnabled());
        QVERIFY(frame->Action(ID_FILE_NEW_STORYBOARD)->isEnabled());
        QVERIFY(frame->Action(ID_APP_EXIT)->isEnabled());
        QVERIFY(frame->Action(ID_VIEW_TOOLBAR)->isEnabled());
        QVERIFY(!frame->Action(ID_FILE_REFRESH)->isEnabled());
    }

    void refreshFollowsTheLoadedFile()
    {
        auto frame = makeFrame();
        QVERIFY(!frame->Action(ID_FILE_REFRESH)->isEnabled());
        m_doc->SetPathName(kSample, false);
        frame->GetActiveView()->OnInitialUpdate();
        QVERIFY(frame->GetActiveView()->Player().loaded);
        QVERIFY(frame->Action(ID_FILE_REFRESH)->isEnabled());
        // Refresh reloads the same file, which plays from its start.
        frame->Action(ID_FLC_STOP)->trigger();
        frame->Action(ID_FLC_NEXT)->trigger();
        QCOMPARE(frame->GetActiveView()->Player().currentFrame, 1);
        frame->Action(ID_FILE_REFRESH)->trigger();
        QVERIFY(frame->GetActiveView()->Player().loaded);
        QVERIFY(frame->GetActiveView()->Player().playing);
        QCOMPARE(frame->GetActiveView()->Player().currentFrame, 0);
        for (unsigned id : kPaletteAndSaveCommands)
            QVERIFY2(frame->Action(id)->isEnabled(), qPrintable(QString::number(id)));
    }

    void titleFollowsTheDocument()
    {
        auto frame = makeFrame();
        // "[*]" is Qt's place for the modified mark; shown only when modified.
        m_doc->SetTitle(QStringLiteral("unit.flc"));
        QCOMPARE(frame->windowTitle(), QStringLiteral("unit.flc[*] - Kinetra"));
        QVERIFY(!frame->isWindowModified());
        m_doc->SetModifiedFlag(true);
        QVERIFY(frame->isWindowModified());
        m_doc->SetModifiedFlag(false);
        m_doc->SetTitle(QStringLiteral("FLC isn't loaded"));
        QCOMPARE(frame->windowTitle(), QStringLiteral("FLC isn't loaded[*] - Kinetra"));
    }

    void shellOpenActsOnlyForItsOwnParameter()
    {
        auto frame = makeFrame();
        uWriteProfileString(kOptions, QStringLiteral("Shell"), kSample);
        QCOMPARE(frame->OnShellOpenFile(1), 1);
        QCOMPARE(frame->OnShellOpenFile(0), 1);
        QVERIFY(uGetProfileString(kOptions, QStringLiteral("Last Opend")).isEmpty());

        uWriteProfileString(kOptions, QStringLiteral("Shell"), QStringLiteral("/no/such/file.flc"));
        QCOMPARE(frame->OnShellOpenFile(WM_SHELL_OPEN_FILE), 1);
        QVERIFY(uGetProfileString(kOptions, QStringLiteral("Last Opend")).isEmpty());

        uWriteProfileString(kOptions, QStringLiteral("Shell"), kSample);
        QCOMPARE(frame->OnShellOpenFile(WM_SHELL_OPEN_FILE), 1);
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("Last Opend")), kSample);
    }

    void selectColorButtonShowsTheBackgroundColour()
    {
        auto frame = makeFrame();
        auto* button = frame->GetToolBar()->findChild<CColorStripButton*>();
        QVERIFY(button);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        const QPoint inside = button->StripRect().center();

        frame->m_crBackground = 0x000000FF; // red, as a colour reference
        QVERIFY(!button->isEnabled());
        QCOMPARE(button->grab().toImage().pixelColor(inside * button->devicePixelRatio()),
                 button->palette().color(QPalette::Button));

        frame->Action(ID_BGD_SELECT_COLOR)->setEnabled(true);
        QCOMPARE(button->grab().toImage().pixelColor(inside * button->devicePixelRatio()), QColor(255, 0, 0));

        button->setDown(true);
        QCOMPARE(button->StripRect().topLeft(), inside - QPoint(7, 2) + QPoint(1, 1));
    }

    void selectColorStripFollowsTheChosenBackground()
    {
        // A stored custom colour is not shown until one is chosen.
        uWriteProfileInt(kOptions, QStringLiteral("Custom Color"), 0x00FF0000);
        auto frame = makeFrame();
        QCOMPARE(frame->m_crBackground, uColorRefFromColor(QApplication::palette().color(QPalette::Button)));
        m_doc->SetPathName(kSample, false);
        frame->GetActiveView()->OnInitialUpdate();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        auto* button = frame->GetToolBar()->findChild<CColorStripButton*>();
        QVERIFY(button->isEnabled());

        frame->GetActiveView()->OnColourSelected(0x0000FF00, ID_BGD_SELECT_COLOR);
        QCOMPARE(frame->m_crBackground, 0x0000FF00u);
        const QPoint inside = button->StripRect().center();
        QCOMPARE(button->grab().toImage().pixelColor(inside * button->devicePixelRatio()), QColor(0, 255, 0));
        uDeleteProfileEntry(kOptions, QStringLiteral("Custom Color"));
    }
};

KINETRA_QTEST_MAIN(CMainFrameTest)
#include "CMainFrameTest.moc"
