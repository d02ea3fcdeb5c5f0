#pragma once

#include "storyboard/FrameSeriesBuild.h"
#include "uikit/CDialogX.h"

#include <QColor>

class CButtonX;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Asks what a series of pictures cannot say of the unit they make, all that
// `kinetra-cli build --frames` can be told: the directions and the order the
// renderer gave them, the frames of each, the delay between frames, where
// the palette comes from, and the team colour that the civilizations tint.
class CFramesBuildDlg : public CDialogX {
    Q_OBJECT

public:
    // `pictureCount` pictures were chosen; `currentPalette` is offered when
    // an animation is open.
    CFramesBuildDlg(int pictureCount, bool currentPalette, QWidget* parent = nullptr);

    // Where the palette comes from, as chosen.
    enum class PaletteSource { Pictures, Frames, Current, File };
    PaletteSource Source() const;
    QString PaletteFile() const;

    // The request as the controls hold it, without pictures or a given
    // palette. False, with the message in `problem`, for a direction order
    // that is not one.
    bool Request(kinetra::FrameSeriesRequest& request, QString& problem) const;

protected:
    bool OnInitDialog() override;

private:
    void guessFramesPerDirection();
    void chooseTeamColour();
    void browsePalette();
    void updateControls();

    int m_nPictureCount;
    QColor m_teamColour{Qt::red};
    QComboBox* m_comboDirections = nullptr;
    QComboBox* m_comboOrder = nullptr;
    QSpinBox* m_spinFrames = nullptr;
    QSpinBox* m_spinSpeed = nullptr;
    QComboBox* m_comboPalette = nullptr;
    QLineEdit* m_editPaletteFile = nullptr;
    QPushButton* m_btnBrowse = nullptr;
    QCheckBox* m_checkTeam = nullptr;
    QPushButton* m_btnTeamColour = nullptr;
    QSpinBox* m_spinTolerance = nullptr;
    QCheckBox* m_checkDither = nullptr;
    CButtonX* m_btnOK = nullptr;
    CButtonX* m_btnCancel = nullptr;
};
