#include "app/CSourceWatcher.h"
#include "qtsupport/QtTestMain.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Generous: the machine may be busy; an absence is waited for this long.
constexpr int kTimeoutMs = 10000;
constexpr int kSettleMs = 1000;

bool writeInPlace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// As editors that keep the old file until the new one is whole save.
bool writeByRename(const QString& path, const QByteArray& bytes)
{
    const QString staged = path + QStringLiteral(".part");
    return writeInPlace(staged, bytes)
        && std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(path).constData()) == 0;
}

bool deleteAndWrite(const QString& path, const QByteArray& bytes)
{
    return QFile::remove(path) && writeInPlace(path, bytes);
}

// While another program still reads the old file, which so lives on
// without its name.
bool writeByRenameWhileOpen(const QString& path, const QByteArray& bytes)
{
    static std::vector<std::unique_ptr<QFile>> stillOpen;
    stillOpen.push_back(std::make_unique<QFile>(path));
    return stillOpen.back()->open(QIODevice::ReadOnly) && writeByRename(path, bytes);
}

using Save = std::function<bool(const QString& path, const QByteArray& bytes)>;

} // namespace

Q_DECLARE_METATYPE(Save)

// The watcher behind live documents: every way a program saves is seen,
// the file stays watched after it, and what is not a watched file's change
// is not one.
class SourceWatcherTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_sheet;
    QString m_note;

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_sheet = m_folder->filePath(QStringLiteral("sheet.png"));
        m_note = m_folder->filePath(QStringLiteral("sheet.kinetra.json"));
        QVERIFY(writeInPlace(m_sheet, "first"));
    }

    void everySaveIsSeenAndTheFileStaysWatched_data()
    {
        QTest::addColumn<Save>("save");
        QTest::newRow("written in place") << Save(writeInPlace);
        QTest::newRow("renamed over the old file") << Save(writeByRename);
        QTest::newRow("deleted and made anew") << Save(deleteAndWrite);
        QTest::newRow("renamed over a file still open") << Save(writeByRenameWhileOpen);
    }

    void everySaveIsSeenAndTheFileStaysWatched()
    {
        QFETCH(Save, save);
        CSourceWatcher watcher;
        watcher.Watch({m_sheet, m_note});
        QSignalSpy changed(&watcher, &CSourceWatcher::changed);
        // The save, then a write in place that only a watch of the file
        // that now has the name sees, then the save again.
        const Save saves[] = {save, writeInPlace, save};
        for (const Save& next : saves) {
            const qsizetype before = changed.count();
            QVERIFY(next(m_sheet, QByteArray("save ") + QByteArray::number(before)));
            QTRY_VERIFY_WITH_TIMEOUT(changed.count() > before, kTimeoutMs);
            // Settled before the next save, so that each is a change of
            // its own.
            QTest::qWait(CSourceWatcher::kQuietMs * 2);
        }
    }

    void otherFilesOwnWritesAndUnwatchedFilesAreNoChange()
    {
        CSourceWatcher watcher;
        watcher.Watch({m_sheet, m_note});
        QSignalSpy changed(&watcher, &CSourceWatcher::changed);
        QVERIFY(writeInPlace(m_folder->filePath(QStringLiteral("other.png")), "another sheet"));
        QVERIFY(writeByRename(m_sheet, "the program's own"));
        watcher.Rearm();
        QTest::qWait(kSettleMs);
        QCOMPARE(changed.count(), 0);

        watcher.Watch({});
        QVERIFY(watcher.Files().isEmpty());
        QVERIFY(writeInPlace(m_sheet, "after the document went"));
        QTest::qWait(kSettleMs);
        QCOMPARE(changed.count(), 0);
    }
};

KINETRA_QTEST_MAIN(SourceWatcherTest)
#include "SourceWatcherTest.moc"
