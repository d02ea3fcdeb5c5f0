#include "uikit/CDialogX.h"

#include "uikit/Modal.h"

#include <QFontMetrics>
#include <QLabel>
#include <QResizeEvent>
#include <QShowEvent>

#include <algorithm>

namespace {

int mulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    // Rounded half away from zero, as the platform's MulDiv.
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

int shareOf(int change, int share, int divisor)
{
    return divisor > 0 ? change * share / divisor : change * share;
}

} // namespace

CDialogX::CDialogX(QWidget* parent) : QDialog(parent) {}

int CDialogX::DoModal()
{
    // Each modal run is a whole life of the dialog: it initialises and is
    // destroyed again.
    if (m_destroyed) {
        m_initialized = false;
        m_destroyed = false;
    }
    return uDoModal(*this);
}

void CDialogX::SetControlInfo(QWidget* control, unsigned flags, int hDivisor, int hShare, int vDivisor, int vShare)
{
    if (!control)
        return;
    ControlInfo info{control, flags, hDivisor, hShare, vDivisor, vShare, control->geometry()};
    if (m_baseSize.isValid()) {
        // Registered after the base was taken: work back to where the control
        // would have stood at the base size, so the rules stay consistent.
        const int dw = width() - m_baseSize.width();
        const int dh = height() - m_baseSize.height();
        if (flags & CI_MOVE_RIGHT)
            info.base.moveLeft(info.base.left() - shareOf(dw, hShare, hDivisor));
        if (flags & CI_MOVE_DOWN)
            info.base.moveTop(info.base.top() - shareOf(dh, vShare, vDivisor));
        if (flags & CI_WIDEN)
            info.base.setWidth(info.base.width() - shareOf(dw, 1, hDivisor));
        if (flags & CI_HEIGHTEN)
            info.base.setHeight(info.base.height() - shareOf(dh, 1, vDivisor));
    }
    for (ControlInfo& existing : m_controls) {
        if (existing.control == control) {
            existing = info;
            return;
        }
    }
    m_controls.push_back(info);
}

QRect CDialogX::MapDialogRect(const QRect& dialogUnits) const
{
    const QSize topLeft = MapDialogSize(QSize(dialogUnits.left(), dialogUnits.top()));
    return QRect(QPoint(topLeft.width(), topLeft.height()), MapDialogSize(dialogUnits.size()));
}

QSize CDialogX::MapDialogSize(const QSize& dialogUnits) const
{
    // The platform's base units: the average width of the 52 letters and the
    // height of a line of the dialog's font.
    const QFontMetrics metrics(font());
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = std::max(1, (letters / 26 + 1) / 2);
    const int baseY = std::max(1, metrics.height());
    return QSize(mulDiv(dialogUnits.width(), baseX, 4), mulDiv(dialogUnits.height(), baseY, 8));
}

QLabel* CDialogX::AddLabel(const QString& text, QWidget* buddy, const QRect& dialogUnits)
{
    auto* label = new QLabel(text, this);
    label->setGeometry(MapDialogRect(dialogUnits));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setBuddy(buddy);
    return label;
}

void CDialogX::showEvent(QShowEvent* event)
{
    if (!m_baseSize.isValid())
        captureBase();
    if (!m_initialized) {
        m_initialized = true;
        const bool keep = OnInitDialog();
        if (!keep || !isVisible()) {
            // Ending inside show() would leave exec() without a loop to stop;
            // end once the loop runs.
            const int code = keep ? result() : int(IDCANCEL);
            QMetaObject::invokeMethod(this, [this, code] { done(code); }, Qt::QueuedConnection);
        }
    }
    QDialog::showEvent(event);
}

void CDialogX::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_baseSize.isValid())
        applyControlInfo();
}

void CDialogX::done(int result)
{
    if (!m_destroyed && m_initialized) {
        m_destroyed = true;
        OnDestroy();
    }
    QDialog::done(result);
}

void CDialogX::captureBase()
{
    m_baseSize = size();
    for (ControlInfo& info : m_controls) {
        if (info.control)
            info.base = info.control->geometry();
    }
}

void CDialogX::applyControlInfo()
{
    const int dw = width() - m_baseSize.width();
    const int dh = height() - m_baseSize.height();
    for (const ControlInfo& info : m_controls) {
        if (!info.control)
            continue; // deleted before the dialog
        QRect rect = info.base;
        if (info.flags & CI_MOVE_RIGHT)
            rect.moveLeft(rect.left() + shareOf(dw, info.hShare, info.hDivisor));
        if (info.flags & CI_MOVE_DOWN)
            rect.moveTop(rect.top() + shareOf(dh, info.vShare, info.vDivisor));
        if (info.flags & CI_WIDEN)
            rect.setWidth(std::max(0, rect.width() + shareOf(dw, 1, info.hDivisor)));
        if (info.flags & CI_HEIGHTEN)
            rect.setHeight(std::max(0, rect.height() + shareOf(dh, 1, info.vDivisor)));
        info.control->setGeometry(rect);
    }
}
