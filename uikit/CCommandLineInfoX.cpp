#include "uikit/CCommandLineInfoX.h"

void CCommandLineInfoX::ParseCommandLine(const QStringList& arguments)
{
    bool switchesEnded = false;
    for (const QString& argument : arguments) {
        if (!switchesEnded) {
            if (argument == QLatin1String("--")) {
                switchesEnded = true;
                continue;
            }
            if (argument == QLatin1String("--register")) {
                m_bRegister = true;
                continue;
            }
            if (argument == QLatin1String("--unregister")) {
                m_bUnregister = true;
                continue;
            }
            if (argument == QLatin1String("--silent") || argument == QLatin1String("-s")) {
                m_bSilent = true;
                continue;
            }
            // The installer's run: nobody is there to read a message.
            if (argument.compare(QLatin1String("/i"), Qt::CaseInsensitive) == 0) {
                m_bInstall = true;
                m_bRegister = true;
                m_bSilent = true;
                continue;
            }
            if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
                m_bHelp = true;
                continue;
            }
            if (argument == QLatin1String("--version")) {
                m_bVersion = true;
                continue;
            }
            if (argument.size() > 1 && argument.startsWith(QLatin1Char('-'))) {
                if (m_strUnknown.isEmpty())
                    m_strUnknown = argument;
                continue;
            }
        }
        if (m_strFileName.isEmpty() && !argument.isEmpty()) {
            m_strFileName = argument;
            m_nShellCommand = FileOpen;
        }
    }
}

QString CCommandLineInfoX::HelpText()
{
    return QStringLiteral(
        "Usage: Kinetra [options] [file.flc]\n"
        "\n"
        "Options:\n"
        "  --register      register Kinetra as the viewer of .flc files\n"
        "  --unregister    remove that registration\n"
        "  -s, --silent    show no message after --register or --unregister\n"
        "  /i              the installer's run: register silently and clean up\n"
        "  -h, --help      show this text\n"
        "  --version       show the version\n");
}
