#pragma once

#include "cmxmlscanner.h"

#include <QByteArray>
#include <QString>

#include <string_view>
#include <vector>

// The text of a WordprocessingML main document part, read as it streams out of the package:
// memory stays bounded by the text, not by the size of the XML.
class CMDocxText : private CMXmlScanner::Handler
{
public:
    explicit CMDocxText(qsizetype maxChars);

    // Parses the next bytes of the part. False once the XML is malformed or the text grows
    // past maxChars; failure() says which.
    bool feed(QByteArrayView chunk);
    // True when the part was complete and well formed.
    bool finish();
    // Stops the reading with this reason.
    void fail(const QString &reason) { m_xml.fail(reason); }

    const QString &failure() const { return m_xml.failure(); }
    QString takeText() { return std::move(m_text); }

private:
    enum class Kind : quint8 { Other, Paragraph, ParagraphProps, ParagraphMarkProps, Run,
                               RunProps, Text, Row, Cell, Alternate };
    struct Frame
    {
        Kind kind = Kind::Other;
        qsizetype start = 0;    // a cell: where its text began
        bool flag = false;      // a paragraph: its mark is deleted or hidden; a run: hidden;
                                // an alternate-content block: a branch was taken
    };

    void startElement(int ns, QByteArrayView name) override;
    void endElement(int ns, QByteArrayView name) override;
    void characters(QStringView text) override;
    bool wantsCharacters() const override;
    void startWordElement(std::string_view name);
    bool on() const;
    void append(QStringView text);
    bool live() const;
    Frame *nearest(Kind kind);

    CMXmlScanner m_xml;
    std::vector<Frame> m_stack;
    std::vector<bool> m_fieldInResult;   // complex fields: instruction until "separate"
    qsizetype m_openInstructions = 0;
    int m_skipDepth = 0;
    qsizetype m_maxChars;
    QString m_text;
};
