#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

struct _xmlParserCtxt;

// Turns the events of libxml2's HTML parser into script text (see CMHtmlReader). Installs
// itself as the parser's event handler; stops the parser when the text grows too long or the
// elements nest too deep.
class CMHtmlText
{
public:
    CMHtmlText(_xmlParserCtxt *parser, qsizetype maxChars, int maxDepth);

    const QString &failure() const { return m_failure; }
    QString takeText() { return std::move(m_text); }

    void startElement(const char *name, const char *const *attributes);
    void endElement(const char *name);
    void characters(const char *bytes, int length);

private:
    enum class Kind : quint8 { Inline, Block, Row, Cell, Pre, Skipped };
    struct Frame
    {
        Kind kind;
        qsizetype start; // a cell: where its text began
    };

    bool isHidden(const char *const *attributes) const;
    void readStyleSheet(const QByteArray &css);
    void breakLine();
    void append(QStringView text);
    void stop(const QString &reason);

    _xmlParserCtxt *m_parser;
    qsizetype m_maxChars;
    int m_maxDepth;
    std::vector<Frame> m_stack;
    int m_skipDepth = 0;   // inside an element whose content is not text
    int m_preDepth = 0;
    bool m_spacePending = false;
    QString m_text;
    QString m_failure;
    std::unique_ptr<QByteArray> m_styleSheet; // a <style> being read
    QSet<QByteArray> m_hiddenClasses;
};
