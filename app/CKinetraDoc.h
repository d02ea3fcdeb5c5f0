#pragma once

#include "storyboard/DocumentSource.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <span>

class QTemporaryDir;

// The one document: stands for the open FLC file, or the storyboard an
// animation is built from (its path and the window title). It holds no
// animation data; the view's player decodes the file.
class CKinetraDoc : public QObject {
    Q_OBJECT

public:
    explicit CKinetraDoc(QObject* parent = nullptr);
    ~CKinetraDoc() override;

    // Changed since it was opened or saved: a palette edited or imported.
    virtual bool IsModified() const { return m_bModified; }
    virtual void SetModifiedFlag(bool modified = true);
    // Empty document, or the start-up reopen of the most recent file.
    virtual bool OnNewDocument();
    // Validates path by the magic at offset 4 (FLC or FLI, whatever the
    // extension); refuses with message 61207 naming it.
    virtual bool OnOpenDocument(const QString& path);
    // Writes nothing: the view saves through the animation model first.
    virtual bool OnSaveDocument(const QString& path);

    // The Open command: the open dialog with preview.
    void OnFileOpen();
    // The document's part of saving, once the view has written the file to
    // `path`: the path, title and recent-files list follow, and the
    // modified flag is cleared. Save passes the document's own path.
    bool DoSave(const QString& path);

    QString GetPathName() const { return m_strPathName; }
    QString GetTitle() const { return m_strTitle; }
    // Sets the path and the title (the file name); with addToMRU the path
    // heads the recent-files list.
    void SetPathName(const QString& path, bool addToMRU = true);
    void SetTitle(const QString& title);

    // An animation built in memory (the FLC file's bytes) becomes the
    // document, saved nowhere yet: no path of its own, titled after
    // `proposedPath`, the file Save As proposes. The bytes wait for the
    // player in a scratch folder that goes when the document becomes another
    // or is destroyed. False, with the document as it was, when they cannot
    // be written there.
    bool SetUnsavedContents(std::span<const std::uint8_t> file, const QString& proposedPath);
    // A storyboard opened as the document (a sheet, or a note of filmstrips
    // or cels at `sourcePath`): the animation built from it, as for
    // SetUnsavedContents, titled "unit.png (storyboard)" and heading the
    // recent files. Its sources and the user's word on it are kept to
    // build it again. False, with the document as it was, when the bytes
    // cannot be written.
    bool SetStoryboardContents(std::span<const std::uint8_t> file, const QString& sourcePath,
                               const kinetra::SourceOptions& options, const QStringList& sources);
    // The storyboard built again after its files changed: the new bytes
    // replace the built ones. False, with the document as it was, when they
    // cannot be written.
    bool ReplaceBuiltContents(std::span<const std::uint8_t> file, const QStringList& sources);
    // Built in memory: no file of its own to save back to.
    bool IsBuilt() const { return m_pScratch != nullptr; }
    // Built once and saved nowhere yet: Save asks where to, and the user is
    // asked before it is replaced. A storyboard's animation is not: its
    // storyboard is its file.
    bool IsUnsaved() const { return IsBuilt() && !IsStoryboard(); }
    bool IsStoryboard() const { return !m_strSourcePath.isEmpty(); }
    QString GetSourcePath() const { return m_strSourcePath; }
    const kinetra::SourceOptions& GetSourceOptions() const { return m_sourceOptions; }
    // The files the document is made of, which changed on disk are taken
    // in again: its own file, or the storyboard's; none for an animation
    // built once.
    QStringList GetSourceFiles() const;
    // The file the view loads: the document's own, or a built document's
    // scratch copy.
    QString GetLoadPath() const;
    // The document's file, or for a built document the one Save As
    // proposes.
    QString GetProposedPath() const { return IsBuilt() ? m_strProposedPath : m_strPathName; }

signals:
    // The title (and so the window caption) changed.
    void titleChanged(const QString& title);
    // The modified flag changed (the caption shows it).
    void modifiedChanged(bool modified);

private:
    // The document becomes a built file: its bytes in a scratch folder of
    // their own, named as `proposedPath`. False, with the document as it
    // was, when they cannot be written.
    bool writeScratch(std::span<const std::uint8_t> file, const QString& proposedPath);
    // No longer built: the scratch folder goes, and a storyboard's sources.
    void forgetBuiltContents();

    QString m_strPathName;
    QString m_strTitle;
    bool m_bModified = false;
    std::unique_ptr<QTemporaryDir> m_pScratch;
    QString m_strScratchFile;
    QString m_strProposedPath;
    QString m_strSourcePath;
    kinetra::SourceOptions m_sourceOptions;
    QStringList m_sourceFiles;
};
