#include "app/CKinetraApp.h"
#include "io/VersionNote.h"
#include "res/Resource.h"
#include "uikit/CCommandLineInfoX.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    // Answered before QApplication, which needs a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    CCommandLineInfoX commandLine;
    commandLine.ParseCommandLine(arguments);
    if (commandLine.m_bVersion) {
        std::fputs(kinetra::RunningVersionText("Kinetra").c_str(), stdout);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Halvorek"));
    QApplication::setApplicationName(QStringLiteral("Kinetra"));
    RegisterKinetraStrings();

    CKinetraApp kinetra;
    if (!kinetra.InitInstance(QApplication::arguments().mid(1)))
        return kinetra.ExitCode();
    return QApplication::exec();
}
