#pragma once

#include "flc/HeaderEdits.h"
#include "uikit/CDialogX.h"

class CButtonX;
class QSpinBox;

// The unit's speed, the offsets of its frame on the game's picture and that
// picture's original size, as the header holds them; a plain FLC (no game
// header fields) shows its speed alone. Edits() gives the fields the user
// changed, each in a range the file holds.
class CUnitPropertiesDlg : public CDialogX {
    Q_OBJECT

public:
    // `header`: the open animation's, as the player shows it.
    explicit CUnitPropertiesDlg(const kinetra::FlcHeader& header, QWidget* parent = nullptr);

    // The fields whose boxes no longer show what they showed at first.
    kinetra::HeaderEdits Edits() const;

protected:
    bool OnInitDialog() override;

private:
    struct Field {
        QSpinBox* box = nullptr;
        int shown = 0;
    };
    // A box of whole numbers in [0, maximum] showing `value`, placed at
    // `geometry` (dialog units); its value at the start is remembered.
    Field makeField(const char* name, int maximum, std::uint32_t value, const QRect& geometry);
    // The box's value, when the user changed it.
    static std::optional<int> changed(const Field& field);
    // An FLI file holds only some speeds: the box takes the nearest.
    void holdSpeed();

    kinetra::FlcHeader m_header;
    Field m_speed;
    Field m_left;
    Field m_top;
    Field m_originalWidth;
    Field m_originalHeight;
    CButtonX* m_btnOK = nullptr;
    CButtonX* m_btnCancel = nullptr;
};
