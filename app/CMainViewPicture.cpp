#include "app/CMainView.h"

#include "imaging/CFlcPlayer.h"
#include "io/SettingNames.h"
#include "uikit/Profile.h"

#include <QGridLayout>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace {

// Shows or hides every widget a layout holds, however deep.
void showLayout(QLayout* layout, bool visible)
{
    // A grid of hidden widgets still keeps its columns' least widths and
    // the spacing between them: they wait aside while it is hidden.
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        constexpr char kAside[] = "shownColumns";
        const QVariant aside = grid->property(kAside);
        if (!visible && !aside.isValid()) {
            QVariantList shown{grid->horizontalSpacing()};
            for (int column = 0; column < grid->columnCount(); ++column) {
                shown.append(grid->columnMinimumWidth(column));
                grid->setColumnMinimumWidth(column, 0);
            }
            grid->setHorizontalSpacing(0);
            grid->setProperty(kAside, shown);
        } else if (visible && aside.isValid()) {
            const QVariantList shown = aside.toList();
            grid->setHorizontalSpacing(shown.value(0).toInt());
            for (int column = 1; column < shown.size(); ++column)
                grid->setColumnMinimumWidth(column - 1, shown[column].toInt());
            grid->setProperty(kAside, QVariant());
        }
    }
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QWidget* widget = item->widget())
            widget->setVisible(visible);
        else if (QLayout* inner = item->layout())
            showLayout(inner, visible);
    }
}

} // namespace

void CMainView::SetZoom(int zoom)
{
    m_wndPlayer->SetZoom(zoom);
    uWriteProfileInt(kinetra::settings::kOptions, kinetra::settings::kZoom, m_wndPlayer->Zoom());
    emit zoomChanged();
    emit stateChanged();
}

void CMainView::OnZoomIn()
{
    SetZoom(m_wndPlayer->Zoom() + 1);
}

void CMainView::OnZoomOut()
{
    SetZoom(m_wndPlayer->Zoom() - 1);
}

void CMainView::OnActualSize()
{
    SetZoom(CFlcPlayer::kMinimumZoom);
}

void CMainView::zoomAt(int steps, const QPointF& at)
{
    const int before = m_wndPlayer->Zoom();
    const QPointF inView = m_wndPlayer->mapTo(m_pPictureArea->viewport(), at);
    SetZoom(before + steps);
    const QPointF moved = at * (double(m_wndPlayer->Zoom()) / before) - inView;
    m_pPictureArea->horizontalScrollBar()->setValue(int(std::lround(moved.x())));
    m_pPictureArea->verticalScrollBar()->setValue(int(std::lround(moved.y())));
}

void CMainView::OnShowClasses()
{
    m_wndPlayer->SetShowClasses(!m_wndPlayer->ShowsClasses());
    emit stateChanged();
}

void CMainView::SetCompact(bool on)
{
    showLayout(m_pControls, !on);
    layout()->setContentsMargins(on ? QMargins() : m_formMargins);
}

void CMainView::fitPictureArea()
{
    // The area holds at least a game animation's canvas.
    const QSize least(kinetra::kCanvasSize, kinetra::kCanvasSize);
    const QSize wanted = m_wndPlayer->size().expandedTo(least);
    // At its own size the player has made the picture fit the screen
    // already; a zoomed picture has what the screen leaves the rest of the
    // window, and scrolls past it.
    QSize room = wanted;
    const QScreen* shownOn = screen();
    if (m_wndPlayer->Zoom() > CFlcPlayer::kMinimumZoom && shownOn) {
        const QSize around = (window()->frameGeometry().size() - m_pPictureArea->size()).expandedTo(QSize(0, 0));
        room = (shownOn->availableGeometry().size() - around).expandedTo(least);
    }
    QSize area = wanted.boundedTo(room);
    // A scroll bar takes its room from the picture's other side.
    const int bar = m_pPictureArea->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pPictureArea);
    if (wanted.width() > area.width())
        area.setHeight(std::min(room.height(), wanted.height() + bar));
    if (wanted.height() > area.height())
        area.setWidth(std::min(room.width(), wanted.width() + bar));
    m_pPictureArea->setFixedSize(area);
}
