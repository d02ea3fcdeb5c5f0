#include "ui/CFileFlcDlg.h"

#include "app/ImageReaders.h"
#include "io/SettingNames.h"
#include "res/Resource.h"
#include "storyboard/DocumentSource.h"
#include "uikit/Modal.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QVBoxLayout>

using kinetra::settings::kDlgFlc;
using kinetra::settings::kPreview;

namespace {

// Inside the sunken frame the picture keeps this distance from it.
constexpr int kPreviewInset = 3;

// The framed preview: the loaded image fitted into it, or the reason the
// selection did not load.
class PreviewArea : public QWidget {
public:
    PreviewArea(const CFileFlcDlg& dialog, QWidget* parent) : QWidget(parent), m_dialog(dialog)
    {
        setMinimumSize(176, 180);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        (void)event;
        QPainter painter(this);
        const QRect frame = rect().adjusted(0, 0, -1, -1);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(frame.topLeft(), frame.topRight());
        painter.drawLine(frame.topLeft(), frame.bottomLeft());
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(frame.bottomLeft(), frame.bottomRight());
        painter.drawLine(frame.topRight(), frame.bottomRight());

        if (!m_dialog.IsPreviewOn())
            return;
        const QRect inside = rect().adjusted(kPreviewInset, kPreviewInset, -kPreviewInset, -kPreviewInset);
        if (m_dialog.PreviewImage().IsLoaded()) {
            m_dialog.PreviewImage().Render(painter, inside, 2);
        } else if (!m_dialog.PreviewError().isEmpty()) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(inside, Qt::AlignCenter | Qt::TextWordWrap, m_dialog.PreviewError());
        }
    }

private:
    const CFileFlcDlg& m_dialog;
};

} // namespace

CFileFlcDlg::CFileFlcDlg(QWidget* parent)
    : CFileDialogX(true, QString(), QString(), OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, uLoadString(IDS_FLIC_OPEN_FILTER),
                   parent),
      m_bPreview(uGetProfileInt(kDlgFlc, kPreview, 1) != 0)
{
    RegisterKinetraImageReaders();
    setObjectName(QStringLiteral("CFileFlcDlg"));
    setWindowTitle(uLoadString(IDS_OPEN_FLC_TITLE));

    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(8, 0, 0, 0);
    m_pPreviewBox = new QCheckBox(QStringLiteral("Preview"), panel);
    m_pPreviewBox->setChecked(m_bPreview);
    m_pPreviewArea = new PreviewArea(*this, panel);
    column->addWidget(m_pPreviewBox);
    column->addWidget(m_pPreviewArea, 1);
    SetCustomPanel(panel);

    // The next selection loads; turning preview on shows nothing before.
    connect(m_pPreviewBox, &QCheckBox::toggled, this, [this](bool on) { SetPreview(on); });
}

CFileFlcDlg::~CFileFlcDlg() = default;

void CFileFlcDlg::SetPreview(bool on)
{
    m_bPreview = on;
    if (m_pPreviewBox->isChecked() != on)
        m_pPreviewBox->setChecked(on);
    m_pPreviewArea->update();
}

void CFileFlcDlg::loadPreview(const QString& path)
{
    m_image.CloseFile();
    m_strError.clear();
    m_strLoadedPath = path;
    if (path.isEmpty() || QFileInfo(path).isDir())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        m_image.LoadFile(path);
    } catch (const CPictrelException& error) {
        m_strError = GetErrorMessage(error.m_nCode);
    } catch (...) {
        // Whatever else went wrong, the preview stays empty.
    }
    QApplication::restoreOverrideCursor();
}

void CFileFlcDlg::OnFileNameChange(const QString& path)
{
    if (m_bPreview && !path.isEmpty())
        loadPreview(path);
    m_pPreviewArea->update();
}

void CFileFlcDlg::OnFolderChange(const QString& folder)
{
    (void)folder;
    m_image.CloseFile();
    m_strError.clear();
    m_strLoadedPath.clear();
    m_pPreviewArea->update();
}

int CFileFlcDlg::OnFileNameOK(const QString& path)
{
    if (!m_bPreview)
        return 0;
    // A storyboard is taken by its name: opening it builds it, and says why
    // when it cannot.
    if (kinetra::isBuiltSource(kinetra::sourceKindOf(QFile::encodeName(path).toStdString())))
        return 0;
    // A name typed into the field was never selected: judge that file, not
    // the one previewed last.
    if (path != m_strLoadedPath) {
        loadPreview(path);
        m_pPreviewArea->update();
    }
    if (!m_image.IsLoaded()) {
        uMessageBox(uFormatString(IDS_WRONG_FORMAT, path), MB_OK, this);
        return 1;
    }
    const PictrelImgFileInfo info = m_image.GetImgFileInfo();
    if (info.format != PICTREL_FORMAT_FLC) {
        uMessageBox(uFormatString(IDS_WRONG_FORMAT, info.fileName), MB_ICONSTOP, this);
        return 1;
    }
    return 0;
}

void CFileFlcDlg::done(int result)
{
    uWriteProfileInt(kDlgFlc, kPreview, m_bPreview ? 1 : 0);
    m_image.CloseFile();
    m_strLoadedPath.clear();
    CFileDialogX::done(result);
}
