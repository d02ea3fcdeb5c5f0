#pragma once

// The desktop association of .flc files with Kinetra, per user: a desktop
// entry that opens a file with the program, its icon in the hicolor theme,
// and Kinetra as the default (and an added) handler of video/x-flic in
// mimeapps.list. shared-mime-info already maps *.flc to video/x-flic.

#include <QString>

namespace kinetra {

class FileAssociation {
public:
    // `programPath` is what the desktop entry runs. The folders are the
    // user's XDG data and config homes.
    explicit FileAssociation(const QString& programPath);
    FileAssociation(const QString& programPath, const QString& dataHome, const QString& configHome);

    // The default handler of video/x-flic is Kinetra's desktop entry (its
    // id compared ignoring case) and that entry exists.
    bool IsRegistered() const;
    // Writes the entry and the icon and makes Kinetra the default handler,
    // keeping the other handlers listed behind it.
    void Register() const;
    // Takes back what Register added and nothing else.
    void Unregister() const;

    QString DesktopEntryPath() const;
    QString IconPath() const;
    QString MimeAppsPath() const;

    // The desktop entry's text for `programPath`.
    static QString DesktopEntryText(const QString& programPath);

    static const QString kDesktopId;
    static const QString kMimeType;

private:
    void refreshDesktopDatabase() const;

    QString m_strProgramPath;
    QString m_strDataHome;
    QString m_strConfigHome;
};

} // namespace kinetra
