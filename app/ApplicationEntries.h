#pragma once

// The desktop entries of the applications folders that start a given
// program: how the association finds a menu entry the installer made, or
// the entry a system package brought.

#include <QList>
#include <QString>
#include <QStringList>

namespace kinetra {

struct ApplicationEntry {
    QString id;             // the desktop id: the path below applications/, '/' made '-'
    QString path;
    bool noDisplay = false; // kept out of the menu
};

// The entries in `dataDir`/applications and its subfolders whose Exec runs
// `programPath`. Entries marked Hidden count as deleted and are left out.
QList<ApplicationEntry> EntriesStartingProgram(const QString& dataDir, const QString& programPath);

// True when the Exec value `execValue` runs `programPath`: the same file,
// named by a path or found through PATH.
bool ExecStartsProgram(const QString& execValue, const QString& programPath);

} // namespace kinetra
