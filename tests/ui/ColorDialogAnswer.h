#pragma once

// Answers the colour dialog in place of a person: records the colour it was
// opened with and confirms `answer`, or cancels. Any other modal is counted
// and cancelled.

#include "uikit/Colour.h"
#include "uikit/Modal.h"

#include <QColorDialog>

#include <optional>

namespace kinetra::test {

// Back to the test main's answer: any modal is unexpected.
inline void restoreUnexpectedModalHook()
{
    uSetModalHook([](const ModalRequest& request) {
        qWarning("unexpected modal: %s", qPrintable(request.text));
        return int(IDCANCEL);
    });
}

struct ColorDialogAnswer {
    // The colour reference to confirm; none cancels the dialog.
    std::optional<unsigned> answer;
    QList<unsigned> openedWith;
    int otherModals = 0;

    ColorDialogAnswer()
    {
        uSetModalHook([this](const ModalRequest& request) {
            auto* dialog = qobject_cast<QColorDialog*>(request.dialog);
            if (!dialog) {
                ++otherModals;
                return int(IDCANCEL);
            }
            openedWith.append(uColorRefFromColor(dialog->currentColor()));
            if (!answer)
                return int(IDCANCEL);
            dialog->setCurrentColor(uColorFromRef(*answer));
            return int(IDOK);
        });
    }
    ~ColorDialogAnswer() { restoreUnexpectedModalHook(); }
    ColorDialogAnswer(const ColorDialogAnswer&) = delete;
    ColorDialogAnswer& operator=(const ColorDialogAnswer&) = delete;
};

} // namespace kinetra::test
