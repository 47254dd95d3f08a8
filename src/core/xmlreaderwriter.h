#ifndef XMLREADERWRITER_H
#define XMLREADERWRITER_H

#include "core/unreadrecord.h"

#include <QBuffer>
#include <QDateTime>
#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QMap>
#include <QString>
#include <QXmlStreamReader>

class QIODevice;

// Common base of every document reader and writer: the XHTML skeleton, the
// class/definition-list vocabulary the formats are built from, and the last
// error text of a read or write.
class XMLReaderWriter
{
public:
    enum DocumentKind {
        LocalDocument = 0,  // a file of the program's own
        ServerDocument = 1, // exchanged with the server
    };

    // The local format version written into and accepted from local documents.
    static constexpr int formatVersion = 2;
    // Deeper element nesting is refused before a DOM is built: the DOM
    // builder's time grows much faster than linearly with the depth.
    static constexpr int maxElementDepth = 512;
    // How deep a record that a stream's reader leaves out for its depth may
    // go (see TokenStream::allowDeepRecord): walking it keeps no more than
    // the token reader's own stack of open elements, a few megabytes at
    // most; a deeper one refuses the whole document.
    static constexpr int maxLeftOutElementDepth = 64 * 1024;
    // Larger documents are refused unread, and the lists file is never
    // written larger.
    static constexpr qint64 defaultMaxDocumentBytes = 256 * 1024 * 1024;
    static qint64 maxDocumentBytes();
    // Another bound for the whole process, 0 for the usual one: for tests,
    // which cannot write a quarter of a gigabyte for each case.
    static void setMaxDocumentBytes(qint64 bytes);

    explicit XMLReaderWriter(int documentKind);
    virtual ~XMLReaderWriter();

    int documentKind() const { return m_documentKind; }
    QString errorString() const { return m_error; }
    void setError(const QString &text);

    // Off by default: a record the rules refuse fails the whole document.
    // On, the readers of the local documents that hold independent records
    // leave such a record out, go on with the others and name it in
    // unreadRecords(); a broken document or frame still fails whole.
    void setSkipsUnreadRecords(bool skips) { m_skipsUnreadRecords = skips; }
    bool skipsUnreadRecords() const { return m_skipsUnreadRecords; }
    UnreadRecords unreadRecords() const { return m_unreadRecords; }

    QDomDocument createDocument() const;
    QDomElement appendHeadAndBody(QDomDocument doc, const QString &title) const;
    void appendMeta(QDomElement head, const QString &name, const QString &content) const;
    QDomElement appendElementWithClass(QDomElement parent, const QString &tagName,
                                       const QString &className) const;
    QDomElement appendTextElement(QDomElement parent, const QString &tagName,
                                  const QString &text,
                                  const QString &className = QString()) const;
    void appendDefinition(QDomElement dl, const QString &term, const QString &value) const;

    // A meta element of the head: its name and content attributes, null
    // when missing.
    struct Meta
    {
        QString name;
        QString content;
    };

    bool checkHead(const QDomElement &head);
    bool checkHead(const QList<Meta> &metas);
    QString metaContent(const QDomElement &head, const QString &name);
    QString metaContent(const QList<Meta> &metas, const QString &name);
    QString elementText(const QDomElement &element);
    QString definitionValue(const QDomElement &dl, const QString &term);
    QMap<QString, QString> readDefinitionList(const QDomElement &dl);
    QDomElement childElementByClass(const QDomElement &parent, const QString &className);
    QDomElement mandatoryChildElementByClass(const QDomElement &parent,
                                             const QString &className);
    QDomElement mandatoryElementByTagName(const QDomElement &parent, const QString &tagName);

    // The error texts of the lookups above, for readers that find elements
    // their own way.
    // False, with the error set, when an element looked up by tag was
    // found no time or more than once.
    bool foundOnce(int matches, const QString &tagName, const QString &parentTag);
    void setMissingClassError(const QString &className, const QString &parentTag);
    void setDuplicateClassError(const QString &className, const QString &parentTag);
    void setUnexpectedChildError(const QString &tagName);

    // Times are stored as exactly 19 characters ("2009-06-01T08:30:00"),
    // without a zone, and mean UTC.
    static QDateTime parseDateTime(QStringView text);
    static QString dateTimeToString(const QDateTime &dateTime);

    // Reads the whole device (opened read-only here unless already open for
    // reading). Null document on failure, with the error text set.
    QDomDocument readDocument(QIODevice *device);

    // The same document read token by token, without holding it: the same
    // bounds (size, nesting depth), the same error texts, the same refusals.
    // The reader does no namespace processing, as the DOM is built without.
    class TokenStream
    {
    public:
        TokenStream(XMLReaderWriter *frame, QIODevice *device);
        TokenStream(const TokenStream &) = delete;
        TokenStream &operator=(const TokenStream &) = delete;

        // Moves to the next token: false at the end of the document, or on
        // failure (failed(), with the frame's error text set).
        bool readNext();
        const QXmlStreamReader &reader() const { return m_reader; }
        bool failed() const { return m_failed; }

        // For a reader that can leave out the record whose element is open
        // at `depth`: elements nested past maxElementDepth inside it no
        // longer fail the document (up to maxLeftOutElementDepth) but mark
        // the record too deep, and the stream goes on with its tokens, for
        // the reader to walk past without building anything. 0 ends the
        // allowance, and the mark.
        void allowDeepRecord(int depth);
        bool recordTooDeep() const { return m_recordTooDeep; }

    private:
        XMLReaderWriter *m_frame;
        QByteArray m_bytes;
        QBuffer m_buffer;
        QXmlStreamReader m_reader;
        int m_depth = 0;
        int m_deepRecordDepth = 0;
        bool m_recordTooDeep = false;
        bool m_sawDoctype = false;
        bool m_sawElement = false;
        bool m_failed = false;
        bool m_ended = false;
    };
    // Writes the declaration and the document (opened write-only here unless
    // already open for writing; the caller closes or commits it). False when
    // the device could not be opened or did not take every byte, or when the
    // document is larger than maxDocumentBytes (nothing is written then).
    bool writeDocument(const QDomDocument &doc, QIODevice *device);

    // Removes the characters that XML 1.0 does not allow (most C0 controls,
    // U+FFFE, U+FFFF, unpaired surrogates), so that no stray pasted character
    // can make a written document unreadable.
    static QString stripInvalidXmlChars(const QString &text);

    // The nesting depth check that readDocument runs before building a DOM:
    // true when the bytes are well-formed XML (without namespace processing,
    // as the DOM is built) nested at most maxDepth deep.
    // On false, *depthExceeded tells a too-deep document from a malformed one.
    static bool checkWellFormedAndDepth(const QByteArray &bytes, int maxDepth,
                                        bool *depthExceeded = nullptr);
    // A fast byte scan for the element depth of a UTF-8 document: the depth
    // (at most maxDepth), maxDepth + 1 once it is exceeded, or -1 when the
    // scan cannot tell (another encoding, an internal DTD subset, markup it
    // does not understand); the exact pass above decides then.
    static int scanElementDepth(const QByteArray &bytes, int maxDepth);
    // The error text of a document, or a record, nested past maxElementDepth.
    static QString tooDeepText();

protected:
    // The errors set so far: the last text and how many. A reader that meets
    // parts of a document before its rules read them keeps their errors
    // aside and puts them back in the rules' order.
    struct ErrorState
    {
        QString text;
        int count = 0;
    };
    ErrorState errorState() const { return {m_error, m_errorCount}; }
    void restoreErrorState(const ErrorState &state)
    {
        m_error = state.text;
        m_errorCount = state.count;
    }
    // The last error set since `before`; empty when none was.
    QString errorSince(const ErrorState &before) const { return m_errorCount != before.count ? m_error : QString(); }
    // Names a record left out, and takes back the errors set since `before`
    // (by its reading, or by looking its name up): they do not fail the
    // document.
    void leaveOut(UnreadRecord record, const ErrorState &before)
    {
        m_unreadRecords.append(std::move(record));
        restoreErrorState(before);
    }

private:
    bool openForReading(QIODevice *device);
    // The bytes of a device: false, with the error set, when they are more
    // than maxDocumentBytes. A device of known size is measured, not read,
    // when bytes is null.
    bool readBounded(QIODevice *device, QByteArray *bytes);

    QDomElement findChildByClass(const QDomElement &parent, const QString &className,
                                 bool mandatory);

    const int m_documentKind;
    QString m_error;
    int m_errorCount = 0;
    bool m_skipsUnreadRecords = false;
    UnreadRecords m_unreadRecords;
};

#endif
