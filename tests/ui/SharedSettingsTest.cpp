#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "imaging/CFlcPlayer.h"
#include "imaging/CFlcPlayerCore.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CMainFrame.h"
#include "uikit/Profile.h"

#include <iterator>

namespace {

const QString kSample = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");
constexpr std::uint32_t kFaceColor = 0x00C8D0D4;

// A player setting the user changes in the window and a player of the core
// reads back at its next start, with the value it is stored as under the
// name that existing profiles hold in "Options".
struct SharedSetting {
    const char* row;
    const char* entry;
    void (*change)(CMainView& view);
    int stored;
    int (*readBack)(const kinetra::CFlcPlayerCore& player);
};

constexpr std::uint32_t kCustomColor = 0x00336699;

// What the colour dialog of the window's Select command ends in.
void chooseCustomColor(CMainView& view)
{
    (void)view.Player().SetCustomBackground(kCustomColor);
}

int backgroundOf(const kinetra::CFlcPlayerCore& player)
{
    return player.backgroundType;
}

const SharedSetting kShared[] = {
    {"sea", "Bgd Type", [](CMainView& view) { view.OnBgdSea(); }, kinetra::kBackgroundSea, backgroundOf},
    {"land", "Bgd Type", [](CMainView& view) { view.OnBgdLand(); }, kinetra::kBackgroundLand, backgroundOf},
    {"custom", "Bgd Type", chooseCustomColor, kinetra::kBackgroundCustom, backgroundOf},
    {"custom colour", "Custom Color", chooseCustomColor, int(kCustomColor),
     [](const kinetra::CFlcPlayerCore& player) { return int(player.customColor); }},
    {"blending off", "AlphaBlend", [](CMainView& view) { view.OnAlphaBlend(); }, 0,
     [](const kinetra::CFlcPlayerCore& player) { return player.alphaBlend ? 1 : 0; }},
    // Stored when the window closes.
    {"direction", "Direction", [](CMainView& view) { (void)view.SelectDirection(6); }, 6,
     [](const kinetra::CFlcPlayerCore& player) { return player.savedDirection; }},
};

} // namespace

class SharedSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void whatTheWindowStoresThePlayerReadsBack_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kShared)); ++i)
            QTest::newRow(kShared[i].row) << i;
    }

    void whatTheWindowStoresThePlayerReadsBack()
    {
        QFETCH(int, index);
        const SharedSetting& setting = kShared[index];
        for (const char* entry : {"Bgd Type", "Custom Color", "AlphaBlend", "Direction"})
            uDeleteProfileEntry(QStringLiteral("Options"), QString::fromLatin1(entry));
        {
            CKinetraApp app;
            app.m_nPalType = 1;
            CKinetraDoc doc;
            CMainFrame frame(&doc);
            QVERIFY(frame.LoadFrame());
            doc.SetPathName(kSample, false);
            frame.GetActiveView()->OnInitialUpdate();
            QVERIFY(frame.GetActiveView()->Player().loaded);
            setting.change(*frame.GetActiveView());
        }
        QCOMPARE(uGetProfileInt(QStringLiteral("Options"), QString::fromLatin1(setting.entry), -1), setting.stored);

        kinetra::CFlcPlayerCore player(uProfile(), kFaceColor);
        QVERIFY(player.Initialize());
        QCOMPARE(setting.readBack(player), setting.stored);
    }
};

KINETRA_QTEST_MAIN(SharedSettingsTest)
#include "SharedSettingsTest.moc"
