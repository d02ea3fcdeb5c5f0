#pragma once

#include "ui/COptionsPage.h"

class QCheckBox;
class QSpinBox;

// The "Document" page: the file association, reopening the last file, the
// length of the recent-files list and the number of instances.
class CDocumentPage : public COptionsPage {
    Q_OBJECT

public:
    enum : int {
        IDD = 173,
        IDC_LOAD_DOC = 1451,
        IDC_MULTI_INSTANCES = 1452,
        IDC_ASSOCIATE = 1453,
        IDC_CHECK_TYPE = 1454,
        IDC_MAX_MRU = 1495,
        IDC_ASSOCIATIONS_GROUP = 1500,
        IDC_LOADING_GROUP = 1501,
        IDC_RECENT_GROUP = 1502,
        IDC_INSTANCES_GROUP = 1503,
    };
    static constexpr int kMinMaxMRU = 4;
    static constexpr int kMaxMaxMRU = 16;
    static constexpr int kDefaultMaxMRU = 4;

    explicit CDocumentPage(QWidget* parent = nullptr);

    void Apply() override;
    void SetDefaults() override;

    // The count as the user left it: digits, at most two of them.
    QSpinBox* MaxMruBox() const { return m_editMaxMRU; }

protected:
    bool OnInitDialog() override;

private:
    void showMaxMRU(int count);

    QCheckBox* m_checkAssociate = nullptr;
    QCheckBox* m_checkCheckType = nullptr;
    QCheckBox* m_checkLoadDoc = nullptr;
    QCheckBox* m_checkMultiInstances = nullptr;
    QSpinBox* m_editMaxMRU = nullptr;
    // Set while the program fills the count in, which is no change of the user's.
    bool m_bSetting = false;
};
