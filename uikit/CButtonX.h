#pragma once

#include <QIcon>
#include <QPushButton>

// Flags of CButtonX::SetButtonsSettings.
enum : int {
    BTNX_HIDE_ICONS = 0x01, // buttons show their text only
    BTNX_NO_EFFECTS = 0x02, // flat buttons, no raised look
};

// A push button with an icon beside (or instead of) its text. The look
// switches of the whole program apply to every live button at once.
class CButtonX : public QPushButton {
    Q_OBJECT

public:
    explicit CButtonX(QWidget* parent = nullptr);
    explicit CButtonX(const QString& text, QWidget* parent = nullptr);
    ~CButtonX() override;

    void SetIcon(const QIcon& icon);
    // An icon from the program's resources (":/icons/play.png").
    void SetIcon(const QString& resourcePath);
    // Shows the icon alone (the text becomes the tooltip); the second value
    // repaints at once.
    void SetShowIconOnly(bool iconOnly, bool repaint = true);

    // Applies the look flags (BTNX_*) to every CButtonX now and later.
    static void SetButtonsSettings(int flags);
    static int GetButtonsSettings();

private:
    void applyLook();

    QIcon m_icon;
    QString m_text;
    bool m_bIconOnly = false;
};
