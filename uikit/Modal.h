#pragma once

// Every modal message box and dialog of the program runs through here, so a
// test can answer in place of a person: with a hook installed nothing is
// shown and the hook's answer is returned.

#include <QString>

#include <functional>

class QDialog;
class QWidget;

// Message box types, combinable: one button set and one icon.
enum : unsigned {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_YESNOCANCEL = 0x03,
    MB_YESNO = 0x04,
    MB_ICONSTOP = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    // Above every other window, an always-on-top one of another program too.
    MB_TOPMOST = 0x40000,
};

// Answers of message boxes and dialogs.
enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
};

struct ModalRequest {
    QWidget* parent = nullptr;
    QString text;              // the message, as in the string table (a message box)
    unsigned type = MB_OK;     // buttons and icon (a message box)
    QDialog* dialog = nullptr; // the dialog to run, or null for a message box
};

using ModalHook = std::function<int(const ModalRequest&)>;

// The window a dialog or message box opened without an owner belongs to:
// `given` when there is one, else the modal dialog in front, else the
// active window, else the program's main window. A box without an owner
// may open behind an always-on-top main window, where it cannot be seen
// but still blocks the program.
QWidget* uDialogOwner(QWidget* given = nullptr);

// Installs (or, with an empty hook, removes) the answerer.
void uSetModalHook(ModalHook hook);

// Shows a message box with the program's title, above `parent` or the
// window uDialogOwner picks; returns the button chosen.
int uMessageBox(const QString& text, unsigned type = MB_OK, QWidget* parent = nullptr);

// Runs a dialog modally; a dialog made without a parent is given the one
// uDialogOwner picks. Returns its result (IDOK for accepted, IDCANCEL for
// rejected, or what the dialog's done() was given).
int uDoModal(QDialog& dialog);
