// The view's commands that change the unit's header: File > Properties... and
// the Ctrl+arrow keys that move the frame on the picture. Both change the
// open animation as a palette edit does: at once on screen, and in the file
// at the next save.

#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "flc/HeaderEdits.h"
#include "imaging/CFlcPlayer.h"
#include "res/Resource.h"
#include "ui/CUnitPropertiesDlg.h"
#include "uikit/Modal.h"
#include "uikit/StringTable.h"

#include <QKeyEvent>
#include <QLabel>

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

namespace {

// Ctrl+arrow keys on the picture, handed on as a step of one pixel.
class FrameNudgeKeys : public QObject {
public:
    using Nudge = std::function<bool(int dx, int dy)>;

    FrameNudgeKeys(QWidget* picture, Nudge nudge) : QObject(picture), m_nudge(std::move(nudge))
    {
        picture->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<const QKeyEvent*>(event);
        // The arrows of a number pad come with the keypad's modifier.
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Left: return m_nudge(-1, 0);
        case Qt::Key_Right: return m_nudge(1, 0);
        case Qt::Key_Up: return m_nudge(0, -1);
        case Qt::Key_Down: return m_nudge(0, 1);
        default: return false;
        }
    }

private:
    Nudge m_nudge;
};

// An offset moved by `delta` within the 16 bits that hold it; nothing when
// it stays where it was.
std::optional<std::uint16_t> moved(std::uint16_t offset, int delta)
{
    const int to = std::clamp(int(offset) + delta, 0, 0xFFFF);
    return to == offset ? std::nullopt : std::optional(std::uint16_t(to));
}

} // namespace

void CMainView::setupFrameNudging()
{
    m_wndPlayer->setFocusPolicy(Qt::StrongFocus);
    new FrameNudgeKeys(m_wndPlayer, [this](int dx, int dy) { return nudgeFrame(dx, dy); });
}

bool CMainView::nudgeFrame(int dx, int dy)
{
    const CFlcPlayer& player = *m_wndPlayer;
    if (!player.loaded || player.IsPlainFlc())
        return false;
    kinetra::HeaderEdits edits;
    edits.leftOffset = moved(player.header.leftOffset, dx);
    edits.topOffset = moved(player.header.topOffset, dy);
    editUnit(edits);
    return true;
}

void CMainView::OnProperties()
{
    if (!m_wndPlayer->loaded)
        return;
    CUnitPropertiesDlg dialog(m_wndPlayer->header, this);
    if (dialog.DoModal() == IDOK)
        editUnit(dialog.Edits());
}

void CMainView::editUnit(const kinetra::HeaderEdits& edits)
{
    CFlcPlayer& player = *m_wndPlayer;
    // The dialog and the keys offer only what the file holds.
    if (!player.loaded || edits.empty() || player.EditUnit(edits).has_value())
        return;
    if (m_pDocument)
        m_pDocument->SetModifiedFlag();
    if (edits.speed) {
        // The default delay is the file's speed.
        m_strDefaultDelay = uFormatString(IDS_DEFAULT_DELAY_FORMAT, player.header.speed);
        m_labelDefaultDelay->setText(m_strDefaultDelay);
    }
    emit stateChanged();
}
