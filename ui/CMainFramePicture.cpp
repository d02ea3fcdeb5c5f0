// The main frame's part in showing the picture: the zoom and class-mark
// commands, the pixel under the pointer and the legend of the marks in the
// status bar, and the compact window of the picture alone.

#include "ui/CMainFrame.h"

#include "app/CMainView.h"
#include "imaging/CFlcPlayer.h"
#include "imaging/PixelProbe.h"
#include "io/SettingNames.h"
#include "res/Resource.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

namespace {

QString pixelReadout(const kinetra::PixelProbe& probe)
{
    const unsigned classText = IDS_INDEX_CLASS_FIRST + unsigned(probe.indexClass);
    const QString indexClass = probe.indexClass == kinetra::IndexClass::Transparent
        ? uLoadString(classText)
        : uFormatString(classText, probe.classNumber);
    return uFormatString(IDS_PIXEL_READOUT, probe.x, probe.y, int(probe.index), indexClass, probe.color);
}

QString classSwatch(kinetra::IndexClass indexClass)
{
    const QColor mark = QColor::fromRgb(kinetra::indexClassMark(indexClass));
    return QStringLiteral("<span style=\"color:%1\">&#9632;</span>").arg(mark.name());
}

} // namespace

void CMainFrame::createPictureStatus()
{
    using kinetra::IndexClass;
    QStatusBar* bar = statusBar();
    // In the idle text's place while the pointer is over the frame. However
    // long, it never widens the window.
    m_pPixelLabel = new QLabel(bar);
    m_pPixelLabel->setObjectName(QStringLiteral("PixelReadout"));
    m_pPixelLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pPixelLabel->hide();
    bar->addWidget(m_pPixelLabel, 1);

    m_pClassLegend = new QLabel(bar);
    m_pClassLegend->setObjectName(QStringLiteral("ClassLegend"));
    m_pClassLegend->setTextFormat(Qt::RichText);
    m_pClassLegend->setText(uFormatString(IDS_CLASS_LEGEND, classSwatch(IndexClass::Civilization),
                                          classSwatch(IndexClass::Light), classSwatch(IndexClass::Shadow),
                                          classSwatch(IndexClass::Transparent)));
    m_pClassLegend->hide();
    bar->addPermanentWidget(m_pClassLegend);
}

void CMainFrame::connectPicture()
{
    CFlcPlayer* player = &m_pView->Player();
    connect(player, &CFlcPlayer::pixelUnderCursorChanged, this, &CMainFrame::updatePixelReadout);
    connect(player, &CFlcPlayer::doubleClicked, this, [this] {
        if (m_bCompact)
            SetCompact(false);
    });
    connect(m_pView, &CMainView::zoomChanged, this, [this] {
        m_bKeepOnScreen = true;
        scheduleFit();
    });
}

void CMainFrame::updatePictureCommands()
{
    const CFlcPlayer* player = m_pView ? &m_pView->Player() : nullptr;
    const int zoom = player ? player->Zoom() : CFlcPlayer::kMinimumZoom;
    m_actions[ID_VIEW_ZOOM_IN]->setEnabled(player && zoom < CFlcPlayer::kMaximumZoom);
    m_actions[ID_VIEW_ZOOM_OUT]->setEnabled(player && zoom > CFlcPlayer::kMinimumZoom);
    m_actions[ID_VIEW_ACTUAL_SIZE]->setEnabled(player && zoom != CFlcPlayer::kMinimumZoom);
    const bool loaded = player && player->loaded;
    m_actions[ID_VIEW_SHOW_CLASSES]->setEnabled(loaded);
    m_actions[ID_VIEW_SHOW_CLASSES]->setChecked(player && player->ShowsClasses());
    m_actions[ID_VIEW_COMPACT]->setEnabled(true);
    m_actions[ID_VIEW_COMPACT]->setChecked(m_bCompact);
    if (m_pClassLegend)
        m_pClassLegend->setVisible(loaded && player->ShowsClasses());
}

void CMainFrame::updatePixelReadout()
{
    if (!m_pPixelLabel || !m_pView)
        return;
    const std::optional<kinetra::PixelProbe> probe = m_pView->Player().PixelUnderCursor();
    if (probe)
        m_pPixelLabel->setText(pixelReadout(*probe));
    m_pPixelLabel->setVisible(probe.has_value());
    m_pIdleLabel->setVisible(!probe);
}

void CMainFrame::OnViewCompact()
{
    SetCompact(!m_bCompact);
}

void CMainFrame::SetCompact(bool on)
{
    m_bCompact = on;
    uWriteProfileInt(kinetra::settings::kOptions, kinetra::settings::kCompact, on ? 1 : 0);
    applyCompact();
    applyTopMost();
    fitToContents();
    UpdateCommandUI();
}

void CMainFrame::applyCompact()
{
    menuBar()->setVisible(!m_bCompact);
    m_wndToolBar->setVisible(!m_bCompact && m_bShowToolBar);
    statusBar()->setVisible(!m_bCompact && m_bShowStatusBar);
    if (m_pView)
        m_pView->SetCompact(m_bCompact);
}

void CMainFrame::keyPressEvent(QKeyEvent* event)
{
    if (m_bCompact && event->key() == Qt::Key_Escape) {
        SetCompact(false);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void CMainFrame::keepOnScreen()
{
    if (!isVisible() || !screen())
        return;
    const QRect room = screen()->availableGeometry();
    const QRect placed = frameGeometry();
    const QPoint moved(std::clamp(placed.left(), room.left(), std::max(room.left(), room.right() + 1 - placed.width())),
                       std::clamp(placed.top(), room.top(), std::max(room.top(), room.bottom() + 1 - placed.height())));
    if (moved != placed.topLeft())
        move(moved);
}
