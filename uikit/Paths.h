#pragma once

// Path and number helpers of the UI kit.

#include <QString>

class QWidget;

bool uIsFileExist(const QString& path);
bool uIsDirExist(const QString& path);
// Creates the folder and any missing parents.
bool uCreateNewFolder(const QString& path);
// The extension without the dot ("flc" for "/a/b.flc"), empty when none.
QString uGetFileExt(const QString& path);
// The folder part, ending in a separator ("/a/" for "/a/b.flc").
QString uGetPathName(const QString& path);
// A new, empty file in the temporary folder whose name starts with prefix;
// its path, or empty on failure.
QString uGetTempFileName(const QString& prefix);
QString uInt2Str(long long value);
// The running executable's full path.
QString uGetModuleFileName();

// Lets the user choose a folder (Qt's own dialog, run through uDoModal),
// starting at `path`; on confirmation `path` is replaced and true returned.
// `flags` (2: folders only) need no handling here.
bool uBrowseFolder(QWidget* owner, QString& path, const QString& title, int flags = 2);

class CFileX {
public:
    // The name part ("b.flc" for "/a/b.flc").
    static QString GetFileName(const QString& path);
};
