#include "ui/COptionsPage.h"

#include "uikit/StringTable.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QRadioButton>

#include <algorithm>

COptionsPage::COptionsPage(QWidget* parent) : CDialogX(parent)
{
    // A page lives inside the Options dialog, not in a window of its own.
    setWindowFlags(Qt::Widget);
    resize(MapDialogSize(QSize(kWidth, kHeight)));
}

QWidget* COptionsPage::GetDlgItem(int controlId) const
{
    const auto found = m_controls.find(controlId);
    return found == m_controls.end() ? nullptr : found->second;
}

QSize COptionsPage::sizeHint() const
{
    // A text that the font draws wider than its control was laid out for
    // makes the whole page that much wider: the widening controls all gain
    // what the page gains.
    int shortfall = 0;
    for (int id : m_widening) {
        const auto* button = qobject_cast<const QAbstractButton*>(GetDlgItem(id));
        if (button && !button->text().isEmpty())
            shortfall = std::max(shortfall, button->sizeHint().width() - m_designWidths.at(id));
    }
    return MapDialogSize(QSize(kWidth, kHeight)) + QSize(shortfall, 0);
}

void COptionsPage::widenWithPage(int controlId)
{
    SetControlInfo(GetDlgItem(controlId), CI_WIDEN, 1, 1, 1, 1);
    m_widening.push_back(controlId);
}

void COptionsPage::growWithPage(int controlId)
{
    SetControlInfo(GetDlgItem(controlId), CI_WIDEN | CI_HEIGHTEN, 1, 1, 1, 1);
}

void COptionsPage::addControl(int controlId, QWidget* control, const QRect& dialogUnits)
{
    control->setObjectName(QString::number(controlId));
    control->setGeometry(MapDialogRect(dialogUnits));
    m_controls[controlId] = control;
    m_designWidths[controlId] = control->width();
}

QGroupBox* COptionsPage::addGroup(int controlId, unsigned textId, const QRect& dialogUnits)
{
    auto* group = new QGroupBox(uLoadString(textId), this);
    addControl(controlId, group, dialogUnits);
    // Created before what it frames, so it stays beneath it.
    group->lower();
    return group;
}

QCheckBox* COptionsPage::addCheckBox(int controlId, unsigned textId, const QRect& dialogUnits)
{
    auto* box = new QCheckBox(uLoadString(textId), this);
    addControl(controlId, box, dialogUnits);
    connect(box, &QAbstractButton::clicked, this, &COptionsPage::changed);
    return box;
}

QRadioButton* COptionsPage::addRadioButton(int controlId, unsigned textId, const QRect& dialogUnits)
{
    auto* radio = new QRadioButton(uLoadString(textId), this);
    addControl(controlId, radio, dialogUnits);
    connect(radio, &QAbstractButton::clicked, this, &COptionsPage::changed);
    return radio;
}

void COptionsPage::keyPressEvent(QKeyEvent* event)
{
    // QDialog would close the page on Escape; let the event travel up.
    event->ignore();
}
