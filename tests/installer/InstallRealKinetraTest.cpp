// The whole installation as a user meets it: the built installer, program
// and UI-kit library unpacked into one folder; the installer's run starts
// the real program with "/i", which registers the .flc association and
// deletes the installer.

#include "InstallerTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace kinetra::installertest {
namespace {

bool copyExecutable(const char* from, const QString& to)
{
    return QFile::copy(QString::fromUtf8(from), to)
        && QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(InstallRealKinetra, TheProgramRegistersTheFileTypeAndRemovesTheInstaller)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString base = root.path();
    for (const char* folder : {"Kinetra-unpacked", "home/Desktop", "config", "data", "system", "runtime"})
        ASSERT_TRUE(QDir().mkpath(base + u'/' + QString::fromUtf8(folder)));
    QFile::setPermissions(base + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString install = base + "/Kinetra-unpacked/";
    ASSERT_TRUE(copyExecutable(KINETRA_INSTALLER_BINARY, install + "InstallKinetra"));
    ASSERT_TRUE(copyExecutable(KINETRA_BINARY, install + "Kinetra"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KINETRA_UIKIT_LIBRARY), install + "libArdenkit.so"));

    // The stand-in system folder is not on the program's run path as
    // /usr/local/lib is; the loader is told about it instead.
    const RunResult result = runProgram((install + "InstallKinetra").toStdString(),
                                        {
                                            {"HOME", (base + "/home").toStdString()},
                                            {"XDG_CONFIG_HOME", (base + "/config").toStdString()},
                                            {"XDG_DATA_HOME", (base + "/data").toStdString()},
                                            {"XDG_RUNTIME_DIR", (base + "/runtime").toStdString()},
                                            {"KINETRA_SYSTEM_DIR", (base + "/system").toStdString()},
                                            {"LD_LIBRARY_PATH", (base + "/system").toStdString()},
                                            {"QT_QPA_PLATFORM", std::string("offscreen")},
                                        },
                                        base.toStdString());
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_TRUE(QFile::exists(base + "/system/libArdenkit.so"));
    EXPECT_FALSE(QFile::exists(install + "libArdenkit.so"));
    EXPECT_TRUE(QFile::exists(install + "InstallLog_Kinetra.txt"));
    EXPECT_TRUE(QFile::exists(base + "/data/applications/Vorenth FLC/KINETRA.desktop"));
    EXPECT_TRUE(QFile::exists(base + "/home/Desktop/KINETRA.desktop"));

    // The program runs on after the installer ended; its last step is the
    // installer's removal. The limit only keeps a broken run from hanging.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (QFile::exists(install + "InstallKinetra") && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(QFile::exists(install + "InstallKinetra"));

    const QByteArray mimeApps = readFile(base + "/config/mimeapps.list");
    EXPECT_TRUE(mimeApps.contains("video/x-flic=kinetra.desktop")) << mimeApps.constData();
    // A path without reserved characters goes unquoted, and the handler's
    // entry stays out of the menu, which holds the installer's entry.
    const QByteArray entry = readFile(base + "/data/applications/kinetra.desktop");
    EXPECT_TRUE(entry.contains("\nExec=" + QFile::encodeName(install) + "Kinetra %f\n")) << entry.constData();
    EXPECT_TRUE(entry.contains("\nNoDisplay=true\n")) << entry.constData();
    EXPECT_FALSE(readFile(base + "/data/applications/Vorenth FLC/KINETRA.desktop").contains("NoDisplay"));

    // The desktop's own tool names that entry.
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
        return;
    QProcess query;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), base + "/home");
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), base + "/config");
    environment.insert(QStringLiteral("XDG_DATA_HOME"), base + "/data");
    environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QString());
    environment.remove(QStringLiteral("DE"));
    query.setProcessEnvironment(environment);
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("video/x-flic")});
    ASSERT_TRUE(query.waitForFinished(20000));
    EXPECT_EQ(query.readAllStandardOutput().trimmed(), QByteArray("kinetra.desktop"));
}

} // namespace
} // namespace kinetra::installertest
