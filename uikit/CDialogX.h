#pragma once

#include <QDialog>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <vector>

class QLabel;

// Flags of SetControlInfo: how a control follows the dialog's resizing.
enum : unsigned {
    CI_MOVE_RIGHT = 1, // moves right by share/divisor of the width change
    CI_MOVE_DOWN = 2,  // moves down by share/divisor of the height change
    CI_WIDEN = 4,      // widens by 1/divisor of the width change
    CI_HEIGHTEN = 8,   // grows by 1/divisor of the height change
};

// The dialog base: controls placed in dialog units, resizing rules per
// control, and the one modal entry point.
class CDialogX : public QDialog {
    Q_OBJECT

public:
    explicit CDialogX(QWidget* parent = nullptr);

    // Runs the dialog modally through uDoModal.
    int DoModal();

    // Registers how `control` follows resizing; its geometry at the time of
    // the first resize (or show) is the base the rules apply to.
    void SetControlInfo(QWidget* control, unsigned flags, int hDivisor, int hShare, int vDivisor, int vShare);

    // Dialog units to pixels for this dialog's font (a quarter of the
    // average character width, an eighth of the line height).
    QRect MapDialogRect(const QRect& dialogUnits) const;
    QSize MapDialogSize(const QSize& dialogUnits) const;
    // A label at `dialogUnits`, left-aligned and centred vertically, whose
    // mnemonic moves the focus to `buddy`.
    QLabel* AddLabel(const QString& text, QWidget* buddy, const QRect& dialogUnits);

protected:
    // Runs once before the dialog is first shown; returning false rejects it.
    virtual bool OnInitDialog() { return true; }
    // Runs once when the dialog closes (accepted or not).
    virtual void OnDestroy() {}

    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;

private:
    struct ControlInfo {
        QPointer<QWidget> control;
        unsigned flags;
        int hDivisor, hShare, vDivisor, vShare;
        QRect base;
    };
    void captureBase();
    void applyControlInfo();

    std::vector<ControlInfo> m_controls;
    QSize m_baseSize;
    bool m_initialized = false;
    bool m_destroyed = false;
};
