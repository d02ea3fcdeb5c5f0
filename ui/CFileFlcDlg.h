#pragma once

#include "uikit/CFileDialogX.h"
#include "uikit/CPictrelImage.h"

class QCheckBox;
class QWidget;

// The File Open dialog: a panel beside the file list previews the selected
// file, and with preview on only a file that loads as an FLC, or a
// storyboard by its name, is accepted.
class CFileFlcDlg : public CFileDialogX {
    Q_OBJECT

public:
    explicit CFileFlcDlg(QWidget* parent = nullptr);
    ~CFileFlcDlg() override;

    bool IsPreviewOn() const { return m_bPreview; }
    void SetPreview(bool on);
    const CPictrelImage& PreviewImage() const { return m_image; }
    // The load error of the selection, shown in the preview area.
    QString PreviewError() const { return m_strError; }

protected:
    void OnFileNameChange(const QString& path) override;
    void OnFolderChange(const QString& folder) override;
    int OnFileNameOK(const QString& path) override;
    void done(int result) override;

private:
    void loadPreview(const QString& path);

    CPictrelImage m_image;
    QString m_strLoadedPath;
    QString m_strError;
    bool m_bPreview = true;
    QCheckBox* m_pPreviewBox = nullptr;
    QWidget* m_pPreviewArea = nullptr;
};
