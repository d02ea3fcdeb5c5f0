#include "uikit/CFileDialogX.h"

#include "uikit/Modal.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QStyle>
#include <QTreeView>

#include <QRegularExpression>

#include <algorithm>

namespace {

// The column of file sizes in the details view of Qt's dialog.
constexpr int kSizeColumn = 1;

// "Adobe Color Table (.act)" and "Images (*.png;*.bmp)" without the list of
// extensions the name already carries; other parentheses stay.
QString withoutExtensionList(const QString& name)
{
    static const QRegularExpression trailingList(
        QStringLiteral(R"(\s*\(\s*(\*?\.[\w*.]+|\*)([\s,;]+(\*?\.[\w*.]+|\*))*\s*\)$)"));
    QString stripped = name;
    stripped.remove(trailingList);
    return stripped.isEmpty() ? name : stripped;
}

} // namespace

CFileDialogX::CFileDialogX(bool openFileDialog, const QString& defaultExt, const QString& fileName, unsigned flags,
                           const QString& filter, QWidget* parent)
    : QFileDialog(parent), m_flags(flags)
{
    // Qt's own dialog asks its questions with QMessageBox directly; ours go
    // through uMessageBox so tests can answer them.
    setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    setAcceptMode(openFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    setFileMode(openFileDialog && (flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QString suffix = defaultExt;
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    setDefaultSuffix(suffix);

    m_nameFilters = ConvertFilter(filter);
    if (!m_nameFilters.isEmpty())
        setNameFilters(m_nameFilters);
    if (!fileName.isEmpty())
        SetInitialDir(fileName);

    fitSizeColumn();

    connect(this, &QFileDialog::currentChanged, this, [this](const QString& path) { OnFileNameChange(path); });
    connect(this, &QFileDialog::directoryEntered, this, [this](const QString& folder) { OnFolderChange(folder); });
}

void CFileDialogX::fitSizeColumn()
{
    // Qt gives the Size column a width that fits its own font's digits on
    // few desktops; a size is cut to "1.2…" then. Room for the widest size
    // it writes, the header's sort arrow and the cell margins.
    auto* details = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!details || details->header()->count() < 2)
        return;
    const QFontMetrics metrics(details->font());
    const int margins = 2 * details->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, details)
        + details->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, details) + metrics.averageCharWidth();
    const int widest = std::max(metrics.horizontalAdvance(QStringLiteral("1023.9 KiB")),
                                QFontMetrics(details->header()->font()).horizontalAdvance(tr("Size")));
    const int width = widest + margins;
    if (details->header()->sectionSize(kSizeColumn) < width)
        details->header()->resizeSection(kSizeColumn, width);
}

int CFileDialogX::DoModal()
{
    return uDoModal(*this);
}

QString CFileDialogX::GetPathName() const
{
    return selectedFiles().value(0);
}

int CFileDialogX::GetFilterIndex() const
{
    return std::max<int>(1, int(m_nameFilters.indexOf(selectedNameFilter())) + 1);
}

void CFileDialogX::SetFilterIndex(int index)
{
    if (index >= 1 && index <= m_nameFilters.size())
        selectNameFilter(m_nameFilters.at(index - 1));
}

void CFileDialogX::SetInitialDir(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        setDirectory(path);
        return;
    }
    if (path.contains(QLatin1Char('/')))
        setDirectory(info.absolutePath());
    selectFile(info.fileName());
}

void CFileDialogX::SetCustomPanel(QWidget* panel)
{
    if (!panel)
        return;
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (!grid) {
        // Not Qt's usual layout: keep the panel in the dialog at least.
        panel->setParent(this);
        return;
    }
    grid->addWidget(panel, 0, grid->columnCount(), grid->rowCount(), 1);
}

QStringList CFileDialogX::ConvertFilter(const QString& filter)
{
    QStringList parts = filter.split(QLatin1Char('|'));
    while (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();

    QStringList nameFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            pattern = pattern.trimmed();
        // Qt shows the patterns from the last parentheses of the name and
        // matches by them, so they are written there once, space-separated.
        nameFilters.append(QStringLiteral("%1 (%2)").arg(withoutExtensionList(parts.at(i).trimmed()),
                                                         patterns.join(QLatin1Char(' '))));
    }
    return nameFilters;
}

void CFileDialogX::accept()
{
    const QString path = selectedFiles().value(0);
    const QFileInfo info(path);
    // Typing a folder name opens that folder; Qt does it.
    if (path.isEmpty() || info.isDir()) {
        QFileDialog::accept();
        return;
    }
    if (acceptMode() == QFileDialog::AcceptOpen && (m_flags & OFN_FILEMUSTEXIST) && !info.exists()) {
        uMessageBox(QStringLiteral("%1\r\nFile not found.\r\nCheck the file name and try again.").arg(path),
                    MB_OK | MB_ICONEXCLAMATION, this);
        return;
    }
    if (acceptMode() == QFileDialog::AcceptSave && (m_flags & OFN_OVERWRITEPROMPT) && info.exists()) {
        const int answer = uMessageBox(
            QStringLiteral("%1 already exists.\r\nDo you want to replace it?").arg(path),
            MB_YESNO | MB_ICONEXCLAMATION, this);
        if (answer != IDYES)
            return;
    }
    if (OnFileNameOK(path) != 0)
        return;
    QFileDialog::accept();
}
