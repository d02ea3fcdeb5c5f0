#pragma once

#include <QObject>
#include <QString>

// The one document: stands for the open FLC file (its path and the window
// title). It holds no animation data; the view's player decodes the file.
class CKinetraDoc : public QObject {
    Q_OBJECT

public:
    explicit CKinetraDoc(QObject* parent = nullptr);

    virtual bool IsModified() const { return m_bModified; }
    virtual void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    // Empty document, or the start-up reopen of the most recent file.
    virtual bool OnNewDocument();
    // Validates path (extension, then the magic at offset 4); refuses with
    // message 61207 naming it.
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

signals:
    // The title (and so the window caption) changed.
    void titleChanged(const QString& title);

private:
    QString m_strPathName;
    QString m_strTitle;
    bool m_bModified = false;
};
