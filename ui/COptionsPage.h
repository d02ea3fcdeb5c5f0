#pragma once

#include "uikit/CDialogX.h"

#include <map>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QRadioButton;

// A page of the Options dialog: a child dialog of 230 by 160 dialog units
// that reads its settings when it is first shown, writes them on Apply and
// reports every change the user makes.
class COptionsPage : public CDialogX {
    Q_OBJECT

public:
    // The laid-out size in dialog units.
    static constexpr int kWidth = 230;
    static constexpr int kHeight = 160;

    explicit COptionsPage(QWidget* parent = nullptr);

    // Writes the page's values to the settings and applies them.
    virtual void Apply() = 0;
    // Puts the default values into the controls (nothing is written).
    virtual void SetDefaults() = 0;

    // The page's control of id `controlId`, or null.
    QWidget* GetDlgItem(int controlId) const;

    // The laid-out size, wider where the font needs more room for a text
    // than the layout gave it.
    QSize sizeHint() const override;

signals:
    // The user changed a value.
    void changed();

protected:
    QGroupBox* addGroup(int controlId, unsigned textId, const QRect& dialogUnits);
    QCheckBox* addCheckBox(int controlId, unsigned textId, const QRect& dialogUnits);
    QRadioButton* addRadioButton(int controlId, unsigned textId, const QRect& dialogUnits);
    // Places `control` and files it under `controlId`.
    void addControl(int controlId, QWidget* control, const QRect& dialogUnits);
    // The resizing rules: widens with the page; widens and grows.
    void widenWithPage(int controlId);
    void growWithPage(int controlId);

    // Escape and Return belong to the Options dialog, not to the page.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::map<int, QWidget*> m_controls;
    std::map<int, int> m_designWidths;
    std::vector<int> m_widening;
};
