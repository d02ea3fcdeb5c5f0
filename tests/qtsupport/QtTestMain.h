#pragma once

// The main function of a widget test: every run gets its own temporary
// HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR before Qt
// starts, draws offscreen, and answers every modal box through the hook
// (a box nobody expected fails the test instead of blocking it).

#include "uikit/Modal.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

namespace kinetra::test {

// Records every message box and answers with `answer` (IDOK by default).
struct ModalRecorder {
    QList<ModalRequest> requests;
    int answer = IDOK;

    ModalRecorder()
    {
        uSetModalHook([this](const ModalRequest& request) {
            requests.append(request);
            return answer;
        });
    }
    ~ModalRecorder() { uSetModalHook({}); }
    ModalRecorder(const ModalRecorder&) = delete;
    ModalRecorder& operator=(const ModalRecorder&) = delete;

    QStringList texts() const
    {
        QStringList out;
        for (const auto& request : requests)
            out.append(request.text);
        return out;
    }
};

// Points the per-user folders at a fresh temporary folder.
inline void useTemporaryHome(const QString& root)
{
    const QByteArray base = QFile::encodeName(root);
    for (const char* folder : {"home", "config", "data", "runtime", "desktop"})
        QDir().mkpath(root + "/" + folder);
    qputenv("HOME", base + "/home");
    qputenv("XDG_CONFIG_HOME", base + "/config");
    qputenv("XDG_DATA_HOME", base + "/data");
    qputenv("XDG_RUNTIME_DIR", base + "/runtime");
    QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("WINEPREFIX", base + "/wine");
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace kinetra::test

#define KINETRA_QTEST_MAIN(TestObject)                                                                        \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        QTemporaryDir home;                                                                                  \
        kinetra::test::useTemporaryHome(home.path());                                                        \
        QApplication app(argc, argv);                                                                        \
        uSetModalHook([](const ModalRequest& request) {                                                      \
            qWarning("unexpected modal: %s", qPrintable(request.text));                                      \
            return IDCANCEL;                                                                                 \
        });                                                                                                  \
        TestObject test;                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
