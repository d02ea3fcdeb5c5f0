#include "uikit/CHyperLink.h"

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::TextBrowserInteraction);
    setOpenExternalLinks(true);
    setCursor(Qt::PointingHandCursor);
}

void CHyperLink::SetURL(const QString& url)
{
    m_url = url;
    if (m_caption.isEmpty() && !text().isEmpty())
        m_caption = text();
    updateLink();
}

void CHyperLink::SetUnderline(bool underline)
{
    m_bUnderline = underline;
    updateLink();
}

void CHyperLink::updateLink()
{
    QString shown = m_caption;
    if (shown.isEmpty()) {
        shown = m_url;
        if (shown.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
            shown.remove(0, 7);
    }
    setToolTip(m_url);
    setText(QStringLiteral("<a href=\"%1\" style=\"text-decoration: %2;\">%3</a>")
                .arg(m_url.toHtmlEscaped(), m_bUnderline ? QStringLiteral("underline") : QStringLiteral("none"),
                     shown.toHtmlEscaped()));
}
