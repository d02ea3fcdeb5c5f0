#include "uikit/CButtonX.h"

#include <set>

namespace {

int g_buttonsSettings = 0;

std::set<CButtonX*>& liveButtons()
{
    static std::set<CButtonX*> buttons;
    return buttons;
}

} // namespace

CButtonX::CButtonX(QWidget* parent) : CButtonX(QString(), parent) {}

CButtonX::CButtonX(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    liveButtons().insert(this);
    applyLook();
}

CButtonX::~CButtonX()
{
    liveButtons().erase(this);
}

void CButtonX::SetIcon(const QIcon& icon)
{
    m_icon = icon;
    applyLook();
}

void CButtonX::SetIcon(const QString& resourcePath)
{
    SetIcon(QIcon(resourcePath));
}

void CButtonX::SetShowIconOnly(bool iconOnly, bool repaint)
{
    if (iconOnly && !text().isEmpty())
        m_text = text();
    m_bIconOnly = iconOnly;
    applyLook();
    if (repaint)
        update();
}

void CButtonX::SetButtonsSettings(int flags)
{
    g_buttonsSettings = flags;
    for (CButtonX* button : liveButtons())
        button->applyLook();
}

int CButtonX::GetButtonsSettings()
{
    return g_buttonsSettings;
}

void CButtonX::applyLook()
{
    const bool showIcon = !(g_buttonsSettings & BTNX_HIDE_ICONS) && !m_icon.isNull();
    setIcon(showIcon ? m_icon : QIcon());
    if (m_bIconOnly) {
        // An icon-only button whose icon is hidden must still say something.
        setText(showIcon ? QString() : m_text);
        if (toolTip().isEmpty())
            setToolTip(m_text);
    } else if (text().isEmpty() && !m_text.isEmpty()) {
        setText(m_text);
    }
    setFlat((g_buttonsSettings & BTNX_NO_EFFECTS) != 0);
}
