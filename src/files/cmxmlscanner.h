#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>

#include <string>
#include <vector>

// A streaming XML tokenizer for the machine-written XML inside documents (WordprocessingML,
// OpenDocument): elements with their namespaces resolved, attributes and character data, fed
// in chunks of any size. Time is linear in the input and memory bounded whatever it holds:
// comments, processing instructions and CDATA sections are never held whole, character data
// reaches the handler in pieces of at most 64 kB, tags kept across chunks, names and nesting
// are capped. Document type declarations are refused (no document format allows them).
//
// It checks what a reader needs to trust the structure (tags match, the document is complete)
// and no more: invalid bytes become U+FFFD instead of an error.
class CMXmlScanner
{
public:
    // Namespace numbers besides the indexes of the known namespaces given to the constructor.
    static constexpr int noNamespace = -1;    // an attribute without prefix
    static constexpr int otherNamespace = -2; // a namespace the reader does not know
    static constexpr int xmlNamespace = -3;   // the xml: prefix

    class Handler
    {
    public:
        virtual ~Handler() = default;
        // The tag's attributes are the scanner's attribute() while this runs.
        virtual void startElement(int ns, QByteArrayView name) = 0;
        virtual void endElement(int ns, QByteArrayView name) = 0;
        virtual void characters(QStringView text) = 0;
        // Character data the handler does not want is passed over without being decoded.
        virtual bool wantsCharacters() const = 0;
    };

    CMXmlScanner(QList<QByteArrayView> namespaces, Handler &handler, int maxDepth);

    // False once the XML is damaged or fail() was called; failure() says why.
    bool feed(QByteArrayView chunk);
    // True when the document was complete.
    bool finish();
    void fail(const QString &reason);
    bool failed() const { return !m_failure.isEmpty(); }
    const QString &failure() const { return m_failure; }

    // An attribute of the start tag being reported, entities decoded; null when absent.
    QString attribute(int ns, QByteArrayView name) const;
    QString attribute(QByteArrayView name) const; // in any namespace
    int depth() const { return int(m_openStarts.size()); }

private:
    enum class State : quint8 { Start, Text, Markup, Tag, Entity, Comment, Pi, CData };
    struct Attribute
    {
        QByteArrayView prefix;
        QByteArrayView name;
        QByteArrayView value;
        int ns = noNamespace;
    };
    struct Declaration
    {
        QByteArray prefix;
        int ns;
        int depth;
    };

    void scan(const char *p, const char *end);
    const char *scanText(const char *p, const char *end);
    const char *scanMarkup(const char *p, const char *end);
    const char *scanTag(const char *p, const char *end);
    const char *scanEntity(const char *p, const char *end);
    const char *scanSkipped(const char *p, const char *end, char repeated, int count);
    const char *scanCData(const char *p, const char *end);
    void tag(QByteArrayView tag, bool selfClosing);
    void startTag(QByteArrayView tag, bool selfClosing);
    void endTag(QByteArrayView tag);
    bool readAttributes() const;
    int resolve(QByteArrayView prefix) const;
    void declare(QByteArrayView prefix, QByteArrayView uri);
    void addText(const char *p, qsizetype n);
    void flushText();
    void damaged(const QString &what);

    QList<QByteArray> m_namespaces;
    Handler &m_handler;
    int m_maxDepth;
    State m_state = State::Start;
    QByteArray m_first;         // the first bytes, until the encoding is known
    bool m_utf16 = false;
    QStringDecoder m_utf16Decoder;
    QByteArray m_token;         // a tag, entity or markup start that spans chunks
    char m_quote = 0;           // inside a tag: the quote of the attribute value being read
    bool m_truncated = false;   // the tag passed its size cap
    char m_tagLast = 0;         // its last byte, kept or not
    int m_run = 0;              // trailing '-', '?' or ']' seen before a possible end
    bool m_rootSeen = false;
    std::string m_openNames;    // the qualified names of the open elements, one after another
    std::vector<qsizetype> m_openStarts;
    std::vector<Declaration> m_declarations;
    struct CacheEntry { std::string prefix; int ns = otherNamespace; bool valid = false; };
    mutable CacheEntry m_cache[2];
    mutable int m_cacheNext = 0;
    QByteArrayView m_rest;      // the attributes of the start tag being reported
    mutable bool m_attributesRead = true;
    mutable std::vector<Attribute> m_attributes;
    QByteArray m_text;          // character data not yet handed over
    QStringDecoder m_decoder;
    bool m_decoderUsed = false;
    QString m_decoded;
    QString m_failure;
};
