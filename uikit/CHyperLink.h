#pragma once

#include <QLabel>

// A label that opens its address in the desktop's browser or mail program.
class CHyperLink : public QLabel {
    Q_OBJECT

public:
    explicit CHyperLink(QWidget* parent = nullptr);

    // The address; the label's text (or the address without "mailto:")
    // is what shows.
    void SetURL(const QString& url);
    QString GetURL() const { return m_url; }
    void SetUnderline(bool underline = true);

private:
    void updateLink();

    QString m_url;
    QString m_caption;
    bool m_bUnderline = true;
};
