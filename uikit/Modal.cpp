#include "uikit/Modal.h"

#include "uikit/StringTable.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace {

ModalHook& modalHook()
{
    static ModalHook hook;
    return hook;
}

// The program's title string; the kit also works before a table is loaded.
QString messageBoxTitle()
{
    constexpr unsigned kAppTitleId = 57344;
    const QString title = uLoadString(kAppTitleId);
    return title.isEmpty() ? QStringLiteral("Kinetra") : title;
}

QMessageBox::Icon iconOf(unsigned type)
{
    switch (type & 0xF0u) {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int showMessageBox(const ModalRequest& request)
{
    QMessageBox box(request.parent);
    if (request.type & MB_TOPMOST)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setWindowTitle(messageBoxTitle());
    box.setIcon(iconOf(request.type));
    // The string table keeps the Windows line breaks.
    QString text = request.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);

    struct Choice {
        QMessageBox::StandardButton button;
        int answer;
    };
    std::vector<Choice> choices;
    switch (request.type & 0x0Fu) {
    case MB_OKCANCEL:
        choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNOCANCEL:
        choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO:
        choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        break;
    default:
        choices = {{QMessageBox::Ok, IDOK}};
        break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice& choice : choices)
        buttons |= choice.button;
    box.setStandardButtons(buttons);
    box.setDefaultButton(choices.front().button);
    // Closing a Yes/No box by its frame answers No, as the platform does.
    if (!(buttons & QMessageBox::Cancel))
        box.setEscapeButton(choices.back().button);

    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const Choice& choice : choices)
        if (choice.button == clicked)
            return choice.answer;
    return (buttons & QMessageBox::Cancel) ? IDCANCEL : choices.back().answer;
}

int execDialog(QDialog& dialog)
{
    const int result = dialog.exec();
    if (result == QDialog::Rejected)
        return IDCANCEL;
    return result; // QDialog::Accepted is IDOK; done(n) passes n through
}

// Every message box and dialog ends up here: the one place a test answers.
int runModal(const ModalRequest& request)
{
    if (const ModalHook& hook = modalHook())
        return hook(request);
    return request.dialog ? execDialog(*request.dialog) : showMessageBox(request);
}

// A pop-up (a menu, the colour pop-up) closes as soon as the dialog opens:
// it is no window to stay above.
bool canOwn(const QWidget* window)
{
    return window && window->isVisible() && window->windowType() != Qt::Popup
        && window->windowType() != Qt::ToolTip;
}

} // namespace

QWidget* uDialogOwner(QWidget* given)
{
    if (given)
        return given;
    if (QWidget* modal = QApplication::activeModalWidget(); canOwn(modal))
        return modal;
    if (QWidget* active = QApplication::activeWindow(); canOwn(active))
        return active;
    // Nothing has the focus (the program starts, or another program is in
    // front): the main window, if there is one on show.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(window) && canOwn(window))
            return window;
    return nullptr;
}

void uSetModalHook(ModalHook hook)
{
    modalHook() = std::move(hook);
}

int uMessageBox(const QString& text, unsigned type, QWidget* parent)
{
    ModalRequest request;
    request.parent = uDialogOwner(parent);
    request.text = text;
    request.type = type;
    return runModal(request);
}

int uDoModal(QDialog& dialog)
{
    if (!dialog.parentWidget()) {
        if (QWidget* owner = uDialogOwner(); owner && owner != &dialog)
            dialog.setParent(owner, dialog.windowFlags()); // keeps it a window of its own
    }
    ModalRequest request;
    request.parent = dialog.parentWidget();
    request.text = dialog.windowTitle();
    request.dialog = &dialog;
    return runModal(request);
}
