#pragma once

#include "palette/CivPalettes.h"
#include "uikit/CMruFileManager.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <QList>
#include <QPointer>

#include <functional>
#include <memory>

class CKinetraDoc;
class CMainFrame;
class QLocalServer;
class QLocalSocket;
class QLockFile;

// The application object: start-up, the settings cache, the single-instance
// rule, the command-line switches and the recent-files list. It also plays
// the framework's part in opening documents.
class CKinetraApp : public QObject {
    Q_OBJECT

public:
    explicit CKinetraApp(QObject* parent = nullptr);
    ~CKinetraApp() override;

    // The start-up sequence over the arguments after the program's name;
    // false ends the program without a window (ExitCode says how).
    virtual bool InitInstance(const QStringList& arguments);
    // Reads the "Options" values into the cache and rebuilds the recent-files
    // list; again after the Options dialog saved its pages.
    void LoadSettings();

    QString GetGamePath() const { return m_strGamePath; }
    QString GetPalDir() const { return m_strPalDir; }

    // Opens path as the document, as the shell, a recent-files entry or a
    // drop does: the same path only brings the window forward; a storyboard
    // is built and played by the view (CMainView::OpenStoryboard); any
    // other file is validated, becomes the document (heading the recent
    // files) and is loaded by the view; an unsaved animation in the way is
    // saved or given up on the user's word. Returns the document, or null when refused or
    // when the user kept the unsaved animation.
    CKinetraDoc* OpenDocumentFile(const QString& path);
    // A recent-files entry chosen: opened as above; a file that is refused
    // leaves the list.
    void OpenRecentFile(const QString& path);
    virtual void AddToRecentFileList(const QString& path);

    // A name longer than ".flc" that ends in it, ".fli" or ".cel", ignoring
    // case.
    static bool IsFlcFileName(const QString& name);
    // The filter of the recent-files list: an FLC file's name as above, or
    // a storyboard's (a sheet's picture or a note of filmstrips or cels).
    static bool IsDocumentFileName(const QString& name);
    bool IsFileTypeRegistered() const;
    void RegisterFileType(bool registerType);

    // The About command.
    void OnAppAbout();

    CKinetraDoc* GetDocument() const { return m_pDocument.get(); }
    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }

    // The process's exit status after InitInstance returned false: 0, 1
    // when the file named on the command line was refused, 2 for a switch
    // the program does not know.
    int ExitCode() const { return m_nExitCode; }

    // Where the running instance listens for later starts: inside the
    // user's runtime folder, which no other user can enter. The instance
    // holds the lock file of the same name with ".lock" added.
    static QString InstanceSocketName();

    QString m_strGamePath;
    bool m_bGamePath = false;
    CMruFileManager m_mruManager;
    int m_nMaxMRU = 4;
    bool m_bLoadDoc = false;
    bool m_bStartingUp = true;
    bool m_bCheckFileType = true;
    int m_nPalType = kinetra::kPaletteFromGame; // as stored, perhaps none of them
    QString m_strPalDir;

    // The menu looks read at start-up ("Menu" section) and handed to
    // CMenuLook; the menus themselves draw with the desktop's style.
    int m_nMenuDrawMode = 2;
    int m_nMenuSelectDisableMode = 1;
    int m_nMenuXpBlending = 1;

    // How long a later start waits for the running instance to accept its
    // file (the question the instance may then ask is not counted), and how
    // long the post-install run keeps retrying the installer's deletion.
    // Tests shorten them.
    qint64 m_nHandOverBoundMs = 10000;
    qint64 m_nInstallerGiveUpMs = 10000;

protected:
    // The program's own file: the desktop entry runs it, and the
    // post-install clean-up looks for the installer beside it.
    virtual QString ProgramPath() const;
    // A screen a message box can be seen on (not the offscreen or minimal
    // platform).
    virtual bool HasDisplay() const;

private:
    // OpenDocumentFile; `refused` tells a file that cannot be opened from a
    // user who kept the document open.
    CKinetraDoc* openDocumentFile(const QString& path, bool& refused);
    enum class HandOver { Handed, NoAnswer, NoInstance };
    // Hands the file (or only a raise) to the running instance and waits
    // for its answer; without one, this start takes the instance lock and
    // becomes the instance.
    HandOver handOverToRunningInstance(const QString& fileName);
    bool sendHandOver(QLocalSocket& socket, const QString& fileName, const std::function<qint64()>& remaining);
    void listenForSecondStarts();
    void onSecondStartMessage(QLocalSocket* socket);
    void cleanUpAfterInstall();
    void raiseMainWindow();
    void updateViews();

    std::unique_ptr<CKinetraDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    QLocalServer* m_pInstanceServer = nullptr;
    std::unique_ptr<QLockFile> m_pInstanceLock;
    QList<QPointer<QLocalSocket>> m_pendingHandOvers;
    bool m_bHandingOver = false;
    int m_nExitCode = 0;
};

// The one application object, while it exists.
CKinetraApp* theApp();
