#pragma once

#include <QTextBrowser>

// A read-only rich-text view (the licence and thanks texts); links open in
// the desktop's browser.
class CRichEditCtrlX : public QTextBrowser {
    Q_OBJECT

public:
    explicit CRichEditCtrlX(QWidget* parent = nullptr);

    // Shows `text`: HTML when it looks like HTML, else Markdown.
    void SetRTF(const QString& text);
};
