#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CDocumentPage.h"
#include "ui/CMainFrame.h"
#include "ui/CMenuLook.h"
#include "ui/COptionsDlg.h"
#include "ui/CPalettesPage.h"
#include "ui/CViewPage.h"
#include "uikit/CButtonX.h"
#include "uikit/CColourPopupXP.h"
#include "uikit/CEditX.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>

#include <memory>

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kMenu = QStringLiteral("Menu");
const QString kButtonX = QStringLiteral("ButtonX");
const QString kDlgOptions = QStringLiteral("Dlg Options");

// Every value the dialog reads or writes.
const std::pair<const char*, const char*> kEntries[] = {
    {"Options", "Max MRU"},        {"Options", "Load Doc"},       {"Options", "Check File Type"},
    {"Options", "Multi Instances"}, {"Options", "Pal Type"},      {"Options", "Pal Dir"},
    {"Options", "Show ToolBar"},   {"Options", "Show StatusBar"}, {"Menu", "Style"},
    {"Menu", "Selection"},         {"Menu", "Gloom"},             {"ButtonX", "Settings"},
    {"Dlg Options", "CurTab"},     {"Dlg Options", "X"},          {"Dlg Options", "Y"},
    {"Dlg Options", "Width"},      {"Dlg Options", "Height"},     {"Dlg Options", "Maximized"},
};

int stored(const QString& section, const char* entry)
{
    return uGetProfileInt(section, QString::fromLatin1(entry), -99);
}

// A profile where every value differs from its default.
void storeNonDefaults()
{
    uWriteProfileInt(kOptions, QStringLiteral("Max MRU"), 9);
    uWriteProfileInt(kOptions, QStringLiteral("Load Doc"), 1);
    uWriteProfileInt(kOptions, QStringLiteral("Check File Type"), 0);
    uWriteProfileInt(kOptions, QStringLiteral("Multi Instances"), 0);
    uWriteProfileInt(kOptions, QStringLiteral("Pal Type"), 2);
    uWriteProfileString(kOptions, QStringLiteral("Pal Dir"), QStringLiteral("/srv/palettes"));
    uWriteProfileInt(kOptions, QStringLiteral("Show ToolBar"), 0);
    uWriteProfileInt(kOptions, QStringLiteral("Show StatusBar"), 0);
    uWriteProfileInt(kMenu, QStringLiteral("Style"), 1);
    uWriteProfileInt(kMenu, QStringLiteral("Selection"), 0);
    uWriteProfileInt(kMenu, QStringLiteral("Gloom"), 0);
    uWriteProfileInt(kButtonX, QStringLiteral("Settings"), 3);
}

QMap<QString, QString> profileSnapshot()
{
    QMap<QString, QString> values;
    for (const auto& [section, entry] : kEntries)
        values[QString::fromLatin1(section) + u'/' + QString::fromLatin1(entry)] =
            uGetProfileString(QString::fromLatin1(section), QString::fromLatin1(entry), QStringLiteral("-"));
    return values;
}

} // namespace

class COptionsDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CKinetraApp> m_app;
    std::unique_ptr<CKinetraDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<COptionsDlg> m_dlg;

    COptionsDlg& open()
    {
        m_dlg = std::make_unique<COptionsDlg>();
        m_dlg->show();
        return *m_dlg;
    }

    template <typename Control = QCheckBox>
    Control* doc(int id) { return qobject_cast<Control*>(m_dlg->DocumentPage()->GetDlgItem(id)); }
    template <typename Control = QCheckBox>
    Control* view(int id) { return qobject_cast<Control*>(m_dlg->ViewPage()->GetDlgItem(id)); }
    template <typename Control = QRadioButton>
    Control* pal(int id) { return qobject_cast<Control*>(m_dlg->PalettesPage()->GetDlgItem(id)); }
    QSpinBox* maxMru() { return m_dlg->DocumentPage()->MaxMruBox(); }

    void typeMaxMru(const QString& text)
    {
        maxMru()->setFocus();
        maxMru()->selectAll();
        QTest::keyClick(maxMru(), Qt::Key_Delete);
        QTest::keyClicks(maxMru(), text);
    }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        for (const auto& [section, entry] : kEntries)
            uDeleteProfileEntry(QString::fromLatin1(section), QString::fromLatin1(entry));
        CMenuLook::SetMenuDrawMode(2);
        CMenuLook::SetXpBlendig(true);
        CMenuLook::SetSelectDisableMode(true);
        CMenuLook::SetNewMenuBorderAllMenu(true);
        CButtonX::SetButtonsSettings(0);
        m_app = std::make_unique<CKinetraApp>();
        m_app->RegisterFileType(false);
        m_doc = std::make_unique<CKinetraDoc>();
        m_frame = std::make_unique<CMainFrame>(m_doc.get());
        QVERIFY(m_frame->LoadFrame());
    }

    void cleanup()
    {
        m_dlg.reset();
        m_frame.reset();
        m_doc.reset();
        if (m_app)
            m_app->RegisterFileType(false);
        m_app.reset();
        CButtonX::SetButtonsSettings(0);
    }

    void opensOnTheDefaultsWithApplyDisabled()
    {
        COptionsDlg& dlg = open();
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Options"));
        QCOMPARE(dlg.TabCtrl()->count(), 3);
        QCOMPARE(dlg.TabCtrl()->tabText(0), QStringLiteral("Document"));
        QCOMPARE(dlg.TabCtrl()->tabText(1), QStringLiteral("View"));
        QCOMPARE(dlg.TabCtrl()->tabText(2), QStringLiteral("FLC"));
        for (int tab = 0; tab < 3; ++tab)
            QVERIFY(!dlg.TabCtrl()->tabIcon(tab).isNull());
        QCOMPARE(dlg.TabCtrl()->currentIndex(), 0);
        QVERIFY(!dlg.ApplyButton()->isEnabled());

        QCOMPARE(maxMru()->text(), QStringLiteral("4"));
        QVERIFY(!doc(CDocumentPage::IDC_ASSOCIATE)->isChecked());
        QVERIFY(doc(CDocumentPage::IDC_CHECK_TYPE)->isChecked());
        QVERIFY(!doc(CDocumentPage::IDC_LOAD_DOC)->isChecked());
        QVERIFY(doc(CDocumentPage::IDC_MULTI_INSTANCES)->isChecked());
        for (int id : {CViewPage::IDC_SHOW_TOOLBAR, CViewPage::IDC_SHOW_STATUSBAR, CViewPage::IDC_SPECIAL_BORDER,
                       CViewPage::IDC_SAME_BORDER, CViewPage::IDC_DISABLED_SELECTION, CViewPage::IDC_GLOOM,
                       CViewPage::IDC_BUTTON_EFFECTS, CViewPage::IDC_BUTTON_ICONS}) {
            QVERIFY2(view(id)->isChecked(), qPrintable(QString::number(id)));
            QVERIFY2(view(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QVERIFY(view<QRadioButton>(CViewPage::IDC_XP_STYLE)->isChecked());
        QVERIFY(pal(CPalettesPage::IDC_FROM_GAME)->isChecked());
        QVERIFY(!pal<CButtonX>(CPalettesPage::IDC_BROWSE)->isEnabled());
        QVERIFY(!pal<CButtonX>(CPalettesPage::IDC_DELETE)->isEnabled());
    }

    void opensOnTheStoredValues()
    {
        storeNonDefaults();
        m_app->RegisterFileType(true);
        open();
        QCOMPARE(maxMru()->text(), QStringLiteral("9"));
        QVERIFY(doc(CDocumentPage::IDC_ASSOCIATE)->isChecked());
        QVERIFY(!doc(CDocumentPage::IDC_CHECK_TYPE)->isChecked());
        QVERIFY(doc(CDocumentPage::IDC_LOAD_DOC)->isChecked());
        QVERIFY(!doc(CDocumentPage::IDC_MULTI_INSTANCES)->isChecked());
        QVERIFY(!view(CViewPage::IDC_SHOW_TOOLBAR)->isChecked());
        QVERIFY(!view(CViewPage::IDC_SHOW_STATUSBAR)->isChecked());
        // Style 1: old menus without the special border.
        QVERIFY(view<QRadioButton>(CViewPage::IDC_OLD_STYLE)->isChecked());
        QVERIFY(!view(CViewPage::IDC_SPECIAL_BORDER)->isChecked());
        QVERIFY(!view(CViewPage::IDC_DISABLED_SELECTION)->isChecked());
        QVERIFY(!view(CViewPage::IDC_GLOOM)->isEnabled());
        // Settings 3: no effects, no icons.
        QVERIFY(!view(CViewPage::IDC_BUTTON_EFFECTS)->isChecked());
        QVERIFY(!view(CViewPage::IDC_BUTTON_ICONS)->isChecked());
        QVERIFY(!view(CViewPage::IDC_BUTTON_ICONS)->isEnabled());
        QVERIFY(pal(CPalettesPage::IDC_FROM_FOLDER)->isChecked());
        QCOMPARE(pal<CEditX>(CPalettesPage::IDC_PAL_DIR)->text(), QStringLiteral("/srv/palettes"));
        QVERIFY(pal<CEditX>(CPalettesPage::IDC_PAL_DIR)->isReadOnly());
        QVERIFY(pal<CButtonX>(CPalettesPage::IDC_BROWSE)->isEnabled());
        QVERIFY(pal<CButtonX>(CPalettesPage::IDC_DELETE)->isEnabled());
        QVERIFY(!m_dlg->ApplyButton()->isEnabled());
    }

    void gloomAndSameBorderShowTheLiveMenuLook()
    {
        uWriteProfileInt(kMenu, QStringLiteral("Gloom"), 1);
        CMenuLook::SetXpBlendig(false);
        CMenuLook::SetNewMenuBorderAllMenu(false);
        open();
        QVERIFY(!view(CViewPage::IDC_GLOOM)->isChecked());
        QVERIFY(!view(CViewPage::IDC_SAME_BORDER)->isChecked());
    }

    // The desktop's style draws the menus: the switches it cannot follow
    // say so, the style radios (which the colour pop-up follows) do not.
    void menuSwitchesWithoutEffectSaySo()
    {
        open();
        const QString noEffect = uLoadString(IDS_VIEW_NO_EFFECT_TIP);
        QVERIFY(!noEffect.isEmpty());
        for (int id : {CViewPage::IDC_SPECIAL_BORDER, CViewPage::IDC_SAME_BORDER, CViewPage::IDC_DISABLED_SELECTION,
                       CViewPage::IDC_GLOOM})
            QCOMPARE(view<QWidget>(id)->toolTip(), noEffect);
        for (int id : {CViewPage::IDC_XP_STYLE, CViewPage::IDC_OLD_STYLE, CViewPage::IDC_BUTTON_EFFECTS,
                       CViewPage::IDC_BUTTON_ICONS, CViewPage::IDC_SHOW_TOOLBAR})
            QVERIFY(view<QWidget>(id)->toolTip().isEmpty());
    }

    void recentCountOutOfRangeIsStoredAndShownAsFour_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("expected");
        QTest::newRow("3") << "3" << 4;
        QTest::newRow("17") << "17" << 4;
        QTest::newRow("0") << "0" << 4;
        QTest::newRow("empty") << "" << 4;
        QTest::newRow("16") << "16" << 16;
        QTest::newRow("5") << "5" << 5;
    }

    void recentCountOutOfRangeIsStoredAndShownAsFour()
    {
        QFETCH(QString, typed);
        QFETCH(int, expected);
        uWriteProfileInt(kOptions, QStringLiteral("Max MRU"), 9);
        open();
        typeMaxMru(typed);
        QCOMPARE(maxMru()->text(), typed);
        QVERIFY(m_dlg->ApplyButton()->isEnabled());
        m_dlg->ApplyButton()->click();
        QCOMPARE(stored(kOptions, "Max MRU"), expected);
        QCOMPARE(maxMru()->text(), QString::number(expected));
        QCOMPARE(m_app->m_nMaxMRU, expected);
        QVERIFY(!m_dlg->ApplyButton()->isEnabled());
    }

    void recentCountTakesTwoDigitsOnly()
    {
        open();
        typeMaxMru(QStringLiteral("1x2;34"));
        QCOMPARE(maxMru()->text(), QStringLiteral("12"));
    }

    void recentCountArrowsKeepToTheListsRange()
    {
        open();
        QCOMPARE(maxMru()->text(), QStringLiteral("4"));
        maxMru()->stepDown();
        QCOMPARE(maxMru()->text(), QStringLiteral("4"));
        for (int i = 0; i < 20; ++i)
            maxMru()->stepUp();
        QCOMPARE(maxMru()->text(), QStringLiteral("16"));
        typeMaxMru(QStringLiteral("40"));
        maxMru()->stepDown();
        QCOMPARE(maxMru()->text(), QStringLiteral("16"));
    }

    void storedTabOutsideTheThreeOpensTheFirst_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("7") << 7 << 0;
        QTest::newRow("-1") << -1 << 0;
        QTest::newRow("3") << 3 << 0;
        QTest::newRow("2") << 2 << 2;
        QTest::newRow("1") << 1 << 1;
    }

    void storedTabOutsideTheThreeOpensTheFirst()
    {
        QFETCH(int, stored);
        QFETCH(int, shown);
        uWriteProfileInt(kDlgOptions, QStringLiteral("CurTab"), stored);
        open();
        QCOMPARE(m_dlg->TabCtrl()->currentIndex(), shown);
        m_dlg->CancelButton()->click();
        QCOMPARE(uGetProfileInt(kDlgOptions, QStringLiteral("CurTab"), -99), shown);
    }

    void closingKeepsTheTabAndThePlacement()
    {
        open();
        m_dlg->TabCtrl()->setCurrentIndex(2);
        QVERIFY(m_dlg->PalettesPage()->isVisible());
        QVERIFY(!m_dlg->DocumentPage()->isVisible());
        m_dlg->setGeometry(QRect(m_dlg->geometry().topLeft() + QPoint(40, 10), m_dlg->size() + QSize(80, 40)));
        const QRect placement = m_dlg->geometry();
        m_dlg->close();
        QCOMPARE(uGetProfileInt(kDlgOptions, QStringLiteral("CurTab"), -99), 2);

        open();
        QCOMPARE(m_dlg->TabCtrl()->currentIndex(), 2);
        QCOMPARE(m_dlg->geometry(), placement);
    }

    void pagesAndButtonsFollowTheDialogsSize()
    {
        open();
        const QRect tab = m_dlg->TabCtrl()->geometry();
        const QRect ok = m_dlg->OkButton()->geometry();
        const QRect cancel = m_dlg->CancelButton()->geometry();
        QCheckBox* associate = doc(CDocumentPage::IDC_ASSOCIATE);
        const int associateWidth = associate->width();
        m_dlg->resize(m_dlg->size() + QSize(80, 40));
        QCOMPARE(m_dlg->TabCtrl()->geometry(), tab.adjusted(0, 0, 80, 40));
        QCOMPARE(m_dlg->OkButton()->geometry(), ok.translated(0, 40).adjusted(0, 0, 20, 0));
        QCOMPARE(m_dlg->CancelButton()->geometry(), cancel.translated(60, 40).adjusted(0, 0, 20, 0));
        // The page fills the tab's display area and its check boxes widen.
        QTRY_COMPARE(associate->width(), associateWidth + 80);
        // The last page gets the same place once its tab is chosen.
        m_dlg->TabCtrl()->setCurrentIndex(2);
        QCOMPARE(m_dlg->PalettesPage()->geometry(), m_dlg->DocumentPage()->geometry());
    }

    void oldMenuStyleDisablesGloom()
    {
        open();
        QCheckBox* gloom = view(CViewPage::IDC_GLOOM);
        QVERIFY(gloom->isEnabled());
        view<QRadioButton>(CViewPage::IDC_OLD_STYLE)->click();
        QVERIFY(!gloom->isEnabled());
        QVERIFY(m_dlg->ApplyButton()->isEnabled());
        view<QRadioButton>(CViewPage::IDC_XP_STYLE)->click();
        QVERIFY(gloom->isEnabled());
    }

    void menuStyleComesFromTheRadioAndTheBorderBox_data()
    {
        QTest::addColumn<int>("radio");
        QTest::addColumn<bool>("border");
        QTest::addColumn<int>("style");
        QTest::newRow("old, border") << int(CViewPage::IDC_OLD_STYLE) << true << 0;
        QTest::newRow("old") << int(CViewPage::IDC_OLD_STYLE) << false << 1;
        QTest::newRow("XP, border") << int(CViewPage::IDC_XP_STYLE) << true << 2;
        QTest::newRow("XP") << int(CViewPage::IDC_XP_STYLE) << false << 3;
    }

    void menuStyleComesFromTheRadioAndTheBorderBox()
    {
        QFETCH(int, radio);
        QFETCH(bool, border);
        QFETCH(int, style);
        open();
        view<QRadioButton>(radio)->click();
        if (view(CViewPage::IDC_SPECIAL_BORDER)->isChecked() != border)
            view(CViewPage::IDC_SPECIAL_BORDER)->click();
        m_dlg->ApplyButton()->click();
        QCOMPARE(stored(kMenu, "Style"), style);
        QCOMPARE(CMenuLook::GetMenuDrawMode(), style);
        // The frame gives the colour pop-up the flat look of the XP menus.
        QCOMPARE(CColourPopupXP::m_bMenuXpStyle, style >= 2);
    }

    void unknownMenuStyleChoosesNoRadioAndIsSavedAsTwo()
    {
        uWriteProfileInt(kMenu, QStringLiteral("Style"), 7);
        open();
        QVERIFY(!view<QRadioButton>(CViewPage::IDC_XP_STYLE)->isChecked());
        QVERIFY(!view<QRadioButton>(CViewPage::IDC_OLD_STYLE)->isChecked());
        QVERIFY(!view(CViewPage::IDC_SPECIAL_BORDER)->isChecked());
        QVERIFY(!view(CViewPage::IDC_GLOOM)->isEnabled());
        view(CViewPage::IDC_SHOW_TOOLBAR)->click();
        m_dlg->ApplyButton()->click();
        QCOMPARE(stored(kMenu, "Style"), 2);
    }

    void menuSwitchesAreWrittenAndApplied()
    {
        open();
        view(CViewPage::IDC_GLOOM)->click();
        view(CViewPage::IDC_DISABLED_SELECTION)->click();
        view(CViewPage::IDC_SAME_BORDER)->click();
        m_dlg->ApplyButton()->click();
        QCOMPARE(stored(kMenu, "Gloom"), 0);
        QCOMPARE(stored(kMenu, "Selection"), 0);
        QVERIFY(!CMenuLook::GetXpBlendig());
        QVERIFY(!CMenuLook::GetSelectDisableMode());
        QVERIFY(!CMenuLook::GetNewMenuBorderAllMenu());
    }

    void clearingEffectsDisablesIcons()
    {
        open();
        QCheckBox* icons = view(CViewPage::IDC_BUTTON_ICONS);
        view(CViewPage::IDC_BUTTON_EFFECTS)->click();
        QVERIFY(!icons->isEnabled());
        view(CViewPage::IDC_BUTTON_EFFECTS)->click();
        QVERIFY(icons->isEnabled());
    }

    void buttonSettingsFollowTheTwoBoxes_data()
    {
        QTest::addColumn<bool>("effects");
        QTest::addColumn<bool>("icons");
        QTest::addColumn<int>("settings");
        QTest::newRow("both") << true << true << 0;
        QTest::newRow("no icons") << true << false << 1;
        QTest::newRow("no effects") << false << true << 2;
        QTest::newRow("neither") << false << false << 3;
    }

    void buttonSettingsFollowTheTwoBoxes()
    {
        QFETCH(bool, effects);
        QFETCH(bool, icons);
        QFETCH(int, settings);
        open();
        // Icons first: without effects its box cannot be clicked.
        if (!icons)
            view(CViewPage::IDC_BUTTON_ICONS)->click();
        if (!effects)
            view(CViewPage::IDC_BUTTON_EFFECTS)->click();
        // OK applies whether or not anything changed.
        m_dlg->OkButton()->click();
        QCOMPARE(stored(kButtonX, "Settings"), settings);
        QCOMPARE(CButtonX::GetButtonsSettings(), settings);
        // The dialog's own buttons show the new look at once.
        QCOMPARE(m_dlg->OkButton()->isFlat(), !effects);
        QCOMPARE(m_dlg->OkButton()->icon().isNull(), !icons);
    }

    void barsAreWrittenAndTheFrameFollows()
    {
        open();
        QVERIFY(m_frame->GetToolBar()->isVisibleTo(m_frame.get()));
        view(CViewPage::IDC_SHOW_TOOLBAR)->click();
        view(CViewPage::IDC_SHOW_STATUSBAR)->click();
        m_dlg->ApplyButton()->click();
        QCOMPARE(stored(kOptions, "Show ToolBar"), 0);
        QCOMPARE(stored(kOptions, "Show StatusBar"), 0);
        QVERIFY(!m_frame->GetToolBar()->isVisibleTo(m_frame.get()));
        QVERIFY(!m_frame->Action(ID_VIEW_TOOLBAR)->isChecked());
        QVERIFY(!m_frame->Action(ID_VIEW_STATUS_BAR)->isChecked());
    }

    void documentSwitchesReachTheApplication()
    {
        open();
        doc(CDocumentPage::IDC_LOAD_DOC)->click();
        doc(CDocumentPage::IDC_CHECK_TYPE)->click();
        doc(CDocumentPage::IDC_MULTI_INSTANCES)->click();
        m_dlg->ApplyButton()->click();
        QCOMPARE(stored(kOptions, "Load Doc"), 1);
        QCOMPARE(stored(kOptions, "Check File Type"), 0);
        QCOMPARE(stored(kOptions, "Multi Instances"), 0);
        QVERIFY(m_app->m_bLoadDoc);
        QVERIFY(!m_app->m_bCheckFileType);
    }

    void associationBoxRegistersAndUnregisters()
    {
        QVERIFY(!m_app->IsFileTypeRegistered());
        open();
        doc(CDocumentPage::IDC_ASSOCIATE)->click();
        m_dlg->ApplyButton()->click();
        QVERIFY(m_app->IsFileTypeRegistered());
        m_dlg->OkButton()->click();

        open();
        QVERIFY(doc(CDocumentPage::IDC_ASSOCIATE)->isChecked());
        doc(CDocumentPage::IDC_ASSOCIATE)->click();
        m_dlg->OkButton()->click();
        QVERIFY(!m_app->IsFileTypeRegistered());
    }

    void paletteSourceDrivesTheFolderButtons()
    {
        open();
        auto* browse = pal<CButtonX>(CPalettesPage::IDC_BROWSE);
        auto* del = pal<CButtonX>(CPalettesPage::IDC_DELETE);
        pal(CPalettesPage::IDC_FROM_FOLDER)->click();
        QVERIFY(browse->isEnabled());
        QVERIFY(del->isEnabled());
        pal(CPalettesPage::IDC_FROM_RESOURCES)->click();
        QVERIFY(!browse->isEnabled());
        QVERIFY(!del->isEnabled());
        m_dlg->ApplyButton()->click();
        QCOMPARE(stored(kOptions, "Pal Type"), 1);
        QCOMPARE(m_app->m_nPalType, 1);
    }

    void browsingChoosesTheFolder()
    {
        QTemporaryDir folder;
        QString title;
        uSetModalHook([&](const ModalRequest& request) {
            auto* chooser = qobject_cast<QFileDialog*>(request.dialog);
            if (!chooser)
                return int(IDCANCEL);
            title = chooser->windowTitle();
            chooser->setDirectory(folder.path());
            chooser->selectFile(folder.path());
            return int(IDOK);
        });
        uWriteProfileInt(kOptions, QStringLiteral("Pal Type"), 2);
        open();
        pal<CButtonX>(CPalettesPage::IDC_BROWSE)->click();
        uSetModalHook({});
        QCOMPARE(title, QStringLiteral("Select Palettes Directory"));
        QCOMPARE(pal<CEditX>(CPalettesPage::IDC_PAL_DIR)->text(), folder.path());
        QVERIFY(m_dlg->ApplyButton()->isEnabled());
        m_dlg->ApplyButton()->click();
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("Pal Dir")), folder.path());
        QCOMPARE(m_app->GetPalDir(), folder.path());
    }

    void delEmptiesTheFolder()
    {
        uWriteProfileInt(kOptions, QStringLiteral("Pal Type"), 2);
        uWriteProfileString(kOptions, QStringLiteral("Pal Dir"), QStringLiteral("/srv/palettes"));
        open();
        pal<CButtonX>(CPalettesPage::IDC_DELETE)->click();
        QVERIFY(pal<CEditX>(CPalettesPage::IDC_PAL_DIR)->text().isEmpty());
        QVERIFY(m_dlg->ApplyButton()->isEnabled());
        m_dlg->OkButton()->click();
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("Pal Dir"), QStringLiteral("-")), QString());
    }

    void anyChangeEnablesApply_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("control");
        QTest::newRow("associate") << 0 << int(CDocumentPage::IDC_ASSOCIATE);
        QTest::newRow("check type") << 0 << int(CDocumentPage::IDC_CHECK_TYPE);
        QTest::newRow("load doc") << 0 << int(CDocumentPage::IDC_LOAD_DOC);
        QTest::newRow("multi") << 0 << int(CDocumentPage::IDC_MULTI_INSTANCES);
        QTest::newRow("toolbar") << 1 << int(CViewPage::IDC_SHOW_TOOLBAR);
        QTest::newRow("status bar") << 1 << int(CViewPage::IDC_SHOW_STATUSBAR);
        QTest::newRow("border") << 1 << int(CViewPage::IDC_SPECIAL_BORDER);
        QTest::newRow("same border") << 1 << int(CViewPage::IDC_SAME_BORDER);
        QTest::newRow("selection") << 1 << int(CViewPage::IDC_DISABLED_SELECTION);
        QTest::newRow("gloom") << 1 << int(CViewPage::IDC_GLOOM);
        QTest::newRow("old style") << 1 << int(CViewPage::IDC_OLD_STYLE);
        QTest::newRow("effects") << 1 << int(CViewPage::IDC_BUTTON_EFFECTS);
        QTest::newRow("icons") << 1 << int(CViewPage::IDC_BUTTON_ICONS);
        QTest::newRow("resources") << 2 << int(CPalettesPage::IDC_FROM_RESOURCES);
        QTest::newRow("folder") << 2 << int(CPalettesPage::IDC_FROM_FOLDER);
    }

    void anyChangeEnablesApply()
    {
        QFETCH(int, page);
        QFETCH(int, control);
        open();
        m_dlg->TabCtrl()->setCurrentIndex(page);
        const COptionsPage* pages[] = {m_dlg->DocumentPage(), m_dlg->ViewPage(), m_dlg->PalettesPage()};
        auto* button = qobject_cast<QAbstractButton*>(pages[page]->GetDlgItem(control));
        QVERIFY(button);
        QVERIFY(!m_dlg->ApplyButton()->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        QVERIFY(m_dlg->ApplyButton()->isEnabled());
        m_dlg->ApplyButton()->click();
        QVERIFY(!m_dlg->ApplyButton()->isEnabled());
    }

    void defaultAnsweredOtherThanYesChangesNothing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No") << int(IDNO);
        QTest::newRow("Cancel") << int(IDCANCEL);
    }

    void defaultAnsweredOtherThanYesChangesNothing()
    {
        QFETCH(int, answer);
        storeNonDefaults();
        const auto before = profileSnapshot();
        open();
        kinetra::test::ModalRecorder boxes;
        boxes.answer = answer;
        m_dlg->DefaultButton()->click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Do you really want to set default value?")});
        QCOMPARE(boxes.requests.first().type, unsigned(MB_YESNOCANCEL | MB_ICONQUESTION));
        QCOMPARE(profileSnapshot(), before);
        QCOMPARE(maxMru()->text(), QStringLiteral("9"));
        QVERIFY(!view(CViewPage::IDC_SHOW_TOOLBAR)->isChecked());
        QVERIFY(view<QRadioButton>(CViewPage::IDC_OLD_STYLE)->isChecked());
        QVERIFY(pal(CPalettesPage::IDC_FROM_FOLDER)->isChecked());
        QVERIFY(!m_dlg->ApplyButton()->isEnabled());
        QVERIFY(m_dlg->isVisible());
    }

    void defaultAnsweredYesWritesTheDefaults()
    {
        storeNonDefaults();
        open();
        kinetra::test::ModalRecorder boxes;
        boxes.answer = IDYES;
        m_dlg->DefaultButton()->click();
        QCOMPARE(boxes.requests.size(), 1);
        for (const auto& [section, entry, value] :
             {std::tuple{"Options", "Max MRU", 4}, {"Options", "Load Doc", 0}, {"Options", "Check File Type", 1},
              {"Options", "Multi Instances", 1}, {"Options", "Pal Type", 0}, {"Options", "Show ToolBar", 1},
              {"Options", "Show StatusBar", 1}, {"Menu", "Style", 2}, {"Menu", "Selection", 1},
              {"Menu", "Gloom", 1}, {"ButtonX", "Settings", 0}})
            QCOMPARE(stored(QString::fromLatin1(section), entry), value);
        // The folder is kept for a later choice of the folder source.
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("Pal Dir")), QStringLiteral("/srv/palettes"));
        QVERIFY(!pal<CButtonX>(CPalettesPage::IDC_BROWSE)->isEnabled());
        QVERIFY(m_app->IsFileTypeRegistered());
        QVERIFY(view(CViewPage::IDC_GLOOM)->isEnabled());
        QVERIFY(view(CViewPage::IDC_BUTTON_ICONS)->isEnabled());
        QVERIFY(!m_dlg->ApplyButton()->isEnabled());
        QVERIFY(m_frame->GetToolBar()->isVisibleTo(m_frame.get()));
    }

    void cancelAfterApplyKeepsWhatApplyWrote()
    {
        open();
        doc(CDocumentPage::IDC_LOAD_DOC)->click();
        m_dlg->ApplyButton()->click();
        doc(CDocumentPage::IDC_MULTI_INSTANCES)->click();
        view(CViewPage::IDC_SHOW_TOOLBAR)->click();
        m_dlg->CancelButton()->click();
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
        QCOMPARE(stored(kOptions, "Load Doc"), 1);
        QCOMPARE(stored(kOptions, "Multi Instances"), 1);
        QCOMPARE(stored(kOptions, "Show ToolBar"), 1);
    }

    void okAppliesAndCloses()
    {
        open();
        doc(CDocumentPage::IDC_LOAD_DOC)->click();
        m_dlg->OkButton()->click();
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
        QCOMPARE(stored(kOptions, "Load Doc"), 1);
    }

    void escapeInAPageCancelsTheDialog()
    {
        open();
        doc(CDocumentPage::IDC_LOAD_DOC)->click();
        QTest::keyClick(doc(CDocumentPage::IDC_LOAD_DOC), Qt::Key_Escape);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
        QCOMPARE(stored(kOptions, "Load Doc"), -99);
    }

    void closesAtOnceWithoutAMainWindow()
    {
        m_frame.reset();
        open();
        QTRY_VERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->result(), int(IDCANCEL));
        QCOMPARE(stored(kDlgOptions, "CurTab"), -99);
    }

    void optionsCommandSavesTheBarsFirst()
    {
        // Hidden by the user, not yet written.
        m_frame->Action(ID_VIEW_TOOLBAR)->trigger();
        QCOMPARE(stored(kOptions, "Show ToolBar"), -99);
        QVERIFY(m_frame->Action(ID_OPTIONS)->isEnabled());
        int toolBarSeen = -1;
        bool optionsRun = false;
        uSetModalHook([&](const ModalRequest& request) {
            auto* dlg = qobject_cast<COptionsDlg*>(request.dialog);
            optionsRun = dlg != nullptr;
            if (dlg) {
                dlg->show();
                toolBarSeen = qobject_cast<QCheckBox*>(dlg->ViewPage()->GetDlgItem(CViewPage::IDC_SHOW_TOOLBAR))
                                  ->isChecked();
                dlg->close();
            }
            return int(IDCANCEL);
        });
        m_frame->Action(ID_OPTIONS)->trigger();
        uSetModalHook({});
        QVERIFY(optionsRun);
        QCOMPARE(toolBarSeen, 0);
        QCOMPARE(stored(kOptions, "Show ToolBar"), 0);
    }
};

KINETRA_QTEST_MAIN(COptionsDlgTest)
#include "COptionsDlgTest.moc"
