#pragma once

#include <QString>
#include <QStringList>

// The program's command line: an optional file to open and the switches of
// the file-type registration.
//   --register      register the .flc file type
//   --unregister    remove the registration
//   --silent        no message after either
//   /i              the installer's post-install run (registers, cleans up)
//   --help          the switches
//   --version       the program's version
class CCommandLineInfoX {
public:
    enum ShellCommand { FileNew = 0, FileOpen = 1, FileNothing = 2 };

    // Parses the arguments after the program name.
    void ParseCommandLine(const QStringList& arguments);
    static QString HelpText();

    int m_nShellCommand = FileNew;
    QString m_strFileName;
    bool m_bRegister = false;
    bool m_bUnregister = false;
    bool m_bSilent = false;
    bool m_bInstall = false;
    bool m_bHelp = false;
    bool m_bVersion = false;
    // An unknown switch, for the usage message; empty when all were known.
    QString m_strUnknown;
};
