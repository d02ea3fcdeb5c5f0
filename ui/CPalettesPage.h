#pragma once

#include "palette/CivPalettes.h"
#include "ui/COptionsPage.h"

class CButtonX;
class CEditX;
class QButtonGroup;

// The "FLC" page: where the civilization palettes come from.
class CPalettesPage : public COptionsPage {
    Q_OBJECT

public:
    enum : int {
        IDD = 194,
        IDC_PAL_DIR = 1041,
        IDC_BROWSE = 1042,
        IDC_DELETE = 1049,
        IDC_FROM_GAME = 1057,
        IDC_FROM_RESOURCES = 1058,
        IDC_FROM_FOLDER = 1066,
        IDC_PALETTES_GROUP = 1500,
    };
    explicit CPalettesPage(QWidget* parent = nullptr);

    void Apply() override;
    void SetDefaults() override;

    QString PalDir() const { return m_strPalDir; }

    // The folder browser and the Del button.
    void OnBrowse();
    void OnDelete();

protected:
    bool OnInitDialog() override;

private:
    void setPalDir(const QString& folder);
    void updateFolderButtons();

    QButtonGroup* m_sourceGroup = nullptr;
    CEditX* m_editPalDir = nullptr;
    CButtonX* m_btnBrowse = nullptr;
    CButtonX* m_btnDelete = nullptr;
    QString m_strPalDir;
    // "Pal Type" as read, kept when no radio is chosen.
    int m_nPalType = kinetra::kPaletteFromGame;
};
