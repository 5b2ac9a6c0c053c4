#pragma once

#include "cmxmlscanner.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

// The text of an OpenDocument text body (content.xml of a package, or a whole flat .fodt
// document), read as it streams: paragraphs and headings one line each, table rows one line
// with cells separated by tabs, text boxes once. Left out: tracked deletions, notes,
// annotations, hidden text, index templates; headers and footers are outside the body.
// Styles are read from the same stream (and from styles.xml first, through styles()) to tell
// which text is hidden.
class CMOdtText : private CMXmlScanner::Handler
{
public:
    explicit CMOdtText(qsizetype maxChars);

    bool feed(QByteArrayView chunk) { return m_xml.feed(chunk); }
    bool finish();
    const QString &failure() const { return m_xml.failure(); }
    QString takeText() { return std::move(m_text); }
    // The document's own kind (office:mimetype of a flat document), when it says.
    const QString &mimeType() const { return m_mimeType; }
    bool sawBody() const { return m_sawBody; }

    // Styles read from another part before this one.
    struct Style
    {
        QString parent;
        std::optional<bool> hidden;
    };
    using Styles = QHash<QString, Style>;
    void setStyles(Styles styles) { m_styles = std::move(styles); }
    Styles takeStyles() { return std::move(m_styles); }

private:
    enum class Kind : quint8 { Other, Text, Paragraph, Span, Row, Cell, Style, Box };
    struct Frame
    {
        Kind kind = Kind::Other;
        qsizetype start = 0; // a cell: where its text began
        bool hidden = false; // a paragraph or span in a hidden style
    };

    void startElement(int ns, QByteArrayView name) override;
    void endElement(int ns, QByteArrayView name) override;
    void characters(QStringView text) override;
    bool wantsCharacters() const override;
    void startTextElement(QByteArrayView name);
    void startStyle(QByteArrayView name);
    bool live() const;
    bool inBody() const;
    bool hiddenStyle(const QString &family, const QString &name) const;
    void append(QStringView text);
    void appendSpace();
    void newLineIfNeeded();

    CMXmlScanner m_xml;
    std::vector<Frame> m_stack;
    int m_skipDepth = 0;
    int m_bodyDepth = 0;       // office:text elements open
    int m_paragraphDepth = 0;  // paragraphs open (text boxes nest them)
    bool m_spacePending = false; // collapsed white space waiting for the next character
    qsizetype m_maxChars;
    QString m_text;
    QString m_mimeType;
    bool m_sawBody = false;
    Styles m_styles;
    QString m_styleKey;        // the style being read
};
