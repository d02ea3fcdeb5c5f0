#include "uikit/Modal.h"
#include "uikit/Paths.h"

#include <QFileDialog>

bool uBrowseFolder(QWidget* owner, QString& path, const QString& title, int flags)
{
    (void)flags;
    QFileDialog dialog(owner, title, path);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (uIsDirExist(path))
        dialog.setDirectory(path);
    if (uDoModal(dialog) != IDOK)
        return false;
    const QString chosen = dialog.selectedFiles().value(0);
    if (chosen.isEmpty())
        return false;
    path = chosen;
    return true;
}
