#pragma once

#include <QFileDialog>

class QWidget;

// Flags of the file dialog that the program passes (others are ignored).
enum : unsigned {
    OFN_HIDEREADONLY = 0x00000004,
    OFN_OVERWRITEPROMPT = 0x00000002,
    OFN_FILEMUSTEXIST = 0x00001000,
    OFN_PATHMUSTEXIST = 0x00000800,
};

// The file dialog: Qt's own (non-native) dialog, so that it can carry a
// panel beside the file list and be driven by tests. Filters are given as
// "Name (*.ext)|*.ext|...||".
class CFileDialogX : public QFileDialog {
    Q_OBJECT

public:
    CFileDialogX(bool openFileDialog, const QString& defaultExt, const QString& fileName, unsigned flags,
                 const QString& filter, QWidget* parent = nullptr);

    // Runs modally through uDoModal; IDOK (1) when a file was chosen.
    int DoModal();

    QString GetPathName() const;
    // 1-based index of the filter chosen, as the platform counts it.
    int GetFilterIndex() const;
    void SetFilterIndex(int index);
    // The folder first shown; a file path shows its folder with it selected.
    void SetInitialDir(const QString& path);

    // Places `panel` to the right of the file list (the custom template).
    void SetCustomPanel(QWidget* panel);

    // "A (*.a)|*.a|B|*.b||" as Qt name filters.
    static QStringList ConvertFilter(const QString& filter);

protected:
    virtual void OnFileNameChange(const QString& path) { (void)path; }
    virtual void OnFolderChange(const QString& folder) { (void)folder; }
    // Non-zero keeps the dialog open.
    virtual int OnFileNameOK(const QString& path) { (void)path; return 0; }

    void accept() override;

private:
    // The details view's Size column shows whole sizes.
    void fitSizeColumn();

    QStringList m_nameFilters;
    unsigned m_flags = 0;
};
