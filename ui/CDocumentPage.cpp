#include "ui/CDocumentPage.h"

#include "app/CKinetraApp.h"
#include "io/SettingNames.h"
#include "res/Resource.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <algorithm>

using namespace kinetra::settings;

namespace {

// The recent-files count: any two digits may be typed (a count out of range
// is put right on Apply), while the arrows keep to the range a list may have.
class CRecentCountBox : public QSpinBox {
public:
    explicit CRecentCountBox(QWidget* parent) : QSpinBox(parent)
    {
        setRange(0, 99);
        setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    }

    void stepBy(int steps) override
    {
        const int current = text().toInt();
        setValue(std::clamp(current + steps, int(CDocumentPage::kMinMaxMRU), int(CDocumentPage::kMaxMaxMRU)));
        selectAll();
    }

    QValidator::State validate(QString& input, int& position) const override
    {
        (void)position;
        if (input.size() > 2)
            return QValidator::Invalid;
        for (const QChar c : input)
            if (!c.isDigit())
                return QValidator::Invalid;
        return input.isEmpty() ? QValidator::Intermediate : QValidator::Acceptable;
    }

protected:
    StepEnabled stepEnabled() const override
    {
        const int current = text().toInt();
        StepEnabled enabled = StepNone;
        if (current < CDocumentPage::kMaxMaxMRU)
            enabled |= StepUpEnabled;
        if (current > CDocumentPage::kMinMaxMRU)
            enabled |= StepDownEnabled;
        return enabled;
    }
};

} // namespace

CDocumentPage::CDocumentPage(QWidget* parent) : COptionsPage(parent)
{
    setObjectName(QStringLiteral("DocumentPage"));

    addGroup(IDC_ASSOCIATIONS_GROUP, IDS_DOC_ASSOCIATIONS_GROUP, QRect(7, 4, 216, 42));
    m_checkAssociate = addCheckBox(IDC_ASSOCIATE, IDS_DOC_ASSOCIATE, QRect(14, 16, 204, 12));
    m_checkCheckType = addCheckBox(IDC_CHECK_TYPE, IDS_DOC_CHECK_TYPE, QRect(14, 30, 204, 12));

    addGroup(IDC_LOADING_GROUP, IDS_DOC_LOADING_GROUP, QRect(7, 50, 216, 28));
    m_checkLoadDoc = addCheckBox(IDC_LOAD_DOC, IDS_DOC_LOAD_DOC, QRect(14, 62, 204, 12));

    addGroup(IDC_RECENT_GROUP, IDS_DOC_RECENT_GROUP, QRect(7, 82, 216, 32));
    auto* contains = new QLabel(uLoadString(IDS_DOC_RECENT_CONTAINS), this);
    contains->setGeometry(MapDialogRect(QRect(14, 96, 92, 12)));
    m_editMaxMRU = new CRecentCountBox(this);
    addControl(IDC_MAX_MRU, m_editMaxMRU, QRect(108, 95, 32, 14));
    contains->setBuddy(m_editMaxMRU);
    auto* files = new QLabel(uLoadString(IDS_DOC_RECENT_FILES), this);
    files->setGeometry(MapDialogRect(QRect(144, 96, 40, 12)));
    // Typing, including emptying the box, and the arrows are the user's.
    if (auto* edit = m_editMaxMRU->findChild<QLineEdit*>())
        connect(edit, &QLineEdit::textEdited, this, &COptionsPage::changed);
    connect(m_editMaxMRU, &QSpinBox::valueChanged, this, [this] {
        if (!m_bSetting)
            emit changed();
    });

    addGroup(IDC_INSTANCES_GROUP, IDS_DOC_INSTANCES_GROUP, QRect(7, 118, 216, 32));
    m_checkMultiInstances = addCheckBox(IDC_MULTI_INSTANCES, IDS_DOC_MULTI_INSTANCES, QRect(14, 132, 204, 12));

    for (int id : {IDC_ASSOCIATIONS_GROUP, IDC_LOADING_GROUP, IDC_RECENT_GROUP, IDC_ASSOCIATE, IDC_CHECK_TYPE,
                   IDC_LOAD_DOC, IDC_MULTI_INSTANCES})
        widenWithPage(id);
    growWithPage(IDC_INSTANCES_GROUP);
}

bool CDocumentPage::OnInitDialog()
{
    showMaxMRU(uGetProfileInt(kOptions, kMaxMRU, kDefaultMaxMRU));
    m_checkLoadDoc->setChecked(uGetProfileInt(kOptions, kLoadDoc, 0) != 0);
    m_checkCheckType->setChecked(uGetProfileInt(kOptions, kCheckFileType, 1) != 0);
    const CKinetraApp* app = theApp();
    m_checkAssociate->setChecked(app && app->IsFileTypeRegistered());
    m_checkMultiInstances->setChecked(uGetProfileInt(kOptions, kMultiInstances, 1) != 0);
    return true;
}

void CDocumentPage::showMaxMRU(int count)
{
    m_bSetting = true;
    // The box holds two digits; a stored count beyond them is out of range
    // either way and becomes the default on Apply.
    m_editMaxMRU->setValue(std::clamp(count, 0, 99));
    m_bSetting = false;
}

void CDocumentPage::Apply()
{
    // An empty count reads as 0, which is out of range like any other.
    int maxMRU = m_editMaxMRU->text().toInt();
    if (maxMRU < kMinMaxMRU || maxMRU > kMaxMaxMRU) {
        maxMRU = kDefaultMaxMRU;
        showMaxMRU(maxMRU);
    }
    uWriteProfileInt(kOptions, kMaxMRU, maxMRU);
    uWriteProfileInt(kOptions, kLoadDoc, m_checkLoadDoc->isChecked() ? 1 : 0);
    uWriteProfileInt(kOptions, kCheckFileType, m_checkCheckType->isChecked() ? 1 : 0);
    uWriteProfileInt(kOptions, kMultiInstances, m_checkMultiInstances->isChecked() ? 1 : 0);
    if (CKinetraApp* app = theApp())
        app->RegisterFileType(m_checkAssociate->isChecked());
}

void CDocumentPage::SetDefaults()
{
    showMaxMRU(kDefaultMaxMRU);
    m_checkLoadDoc->setChecked(false);
    m_checkCheckType->setChecked(true);
    m_checkAssociate->setChecked(true);
    m_checkMultiInstances->setChecked(true);
}
