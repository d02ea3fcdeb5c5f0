#include "uikit/CRichEditCtrlX.h"

#include <QTextDocument>

CRichEditCtrlX::CRichEditCtrlX(QWidget* parent) : QTextBrowser(parent)
{
    setReadOnly(true);
    setOpenExternalLinks(true);
}

void CRichEditCtrlX::SetRTF(const QString& text)
{
    if (Qt::mightBeRichText(text))
        setHtml(text);
    else
        setMarkdown(text);
}
