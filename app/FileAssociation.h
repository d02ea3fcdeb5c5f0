#pragma once

// The desktop association of .flc files with Kinetra, per user: a desktop
// entry that opens a file with the program, its icon in the hicolor theme,
// and Kinetra as the default (and an added) handler of video/x-flic in
// mimeapps.list. shared-mime-info already maps *.flc to video/x-flic.
//
// When a system package installed an entry for this very program, that
// entry is named instead and no entry of the user's own is written: one
// would hide the system's and outlive the package.

#include <QString>
#include <QStringList>

namespace kinetra {

class FileAssociation {
public:
    // `programPath` is what the desktop entry runs. The folders are the
    // user's XDG data and config homes, and the system's XDG data folders
    // (none for the second form).
    explicit FileAssociation(const QString& programPath);
    FileAssociation(const QString& programPath, const QString& dataHome, const QString& configHome,
                    const QStringList& dataDirs = {});

    // The default handler of video/x-flic is Kinetra's desktop entry (its
    // id compared ignoring case) and that entry exists.
    bool IsRegistered() const;
    // Makes Kinetra the default handler, keeping the other handlers listed
    // behind it. Without a system entry it writes the user's entry and the
    // icon first; that entry stays out of the menu when the menu already
    // holds an entry that starts the program (the installer's).
    void Register() const;
    // Takes back what Register added and nothing else.
    void Unregister() const;

    QString DesktopEntryPath() const;
    QString IconPath() const;
    QString MimeAppsPath() const;

    // The id of an entry in the system's data folders that starts the
    // program; empty when there is none.
    QString SystemEntryId() const;

    // The desktop entry's text for `programPath`; `noDisplay` keeps it out
    // of the menu, a handler of files only.
    static QString DesktopEntryText(const QString& programPath, bool noDisplay = false);

    static const QString kDesktopId;
    static const QString kMimeType;

private:
    bool menuEntryExists() const;
    void refreshDesktopDatabase() const;

    QString m_strProgramPath;
    QString m_strDataHome;
    QString m_strConfigHome;
    QStringList m_dataDirs;
};

} // namespace kinetra
