#ifndef ELEMENTTREE_H
#define ELEMENTTREE_H

#include <QString>
#include <QStringView>
#include <QVector>

class QDomElement;
class QXmlStreamReader;

// The elements of one part of a document, with no more than the task
// readers look at: each element's tag, its class and the text of its
// leading run of character data. Gathered from the stream one part at a
// time (a list, a task, the local fields) or taken from a DOM, and read the
// same way either way, so one set of rules serves the lists file and the
// server's documents. The text follows the DOM's rules: blank character data
// is no node (CDATA sections excepted), and a run ends at any other node.
class ElementTree
{
public:
    // What an element's first child node is.
    enum TextKind : quint8 {
        NoChild,   // none: the text is empty
        Text,      // text or CDATA: the text is the run of them
        NullText,  // the same, with only null values (a DOM built in code)
        OtherChild // an element, comment, instruction or entity reference
    };

    class Element
    {
    public:
        Element() = default;
        bool isNull() const { return !m_tree; }
        Element firstChild() const;
        Element nextSibling() const;
        QStringView tagName() const;
        bool hasClass(QStringView className) const;
        TextKind textKind() const;
        QStringView text() const;
        // The number the reader attached to the element, or -1.
        int mark() const;

    private:
        friend class ElementTree;
        Element(const ElementTree *tree, int index)
            : m_tree(index >= 0 ? tree : nullptr)
            , m_index(index)
        {
        }
        const ElementTree *m_tree = nullptr;
        int m_index = -1;
    };

    // Empties the tree, keeping its storage for the next part.
    void clear();
    // The element gathered (null before any); a tree holds one, with its
    // subtree.
    Element root() const { return Element(this, m_nodes.isEmpty() ? -1 : 0); }
    // The innermost element still open while gathering (null when none).
    Element current() const { return Element(this, m_open.isEmpty() ? -1 : m_open.last()); }
    void setMark(Element element, int mark);

    // Takes the reader's current token into the tree: a start tag opens an
    // element under the open one, an end tag closes it.
    void read(const QXmlStreamReader &reader);
    // Adds an element and its subtree, as the same document would stream.
    void appendDom(const QDomElement &element);

private:
    struct Node
    {
        int firstChild = -1;
        int lastChild = -1;
        int nextSibling = -1;
        int name = 0;
        int nameLength = 0;
        int className = 0;
        int classLength = 0;
        int text = 0;
        int textLength = 0;
        int mark = -1;
        TextKind textKind = NoChild;
        bool runOpen = false; // while gathering: the leading run may grow
    };

    int startElement(QStringView name, QStringView className);
    void endElement();
    void appendText(QStringView text, bool isNull);
    void otherChild();
    QStringView slice(int from, int length) const { return QStringView(m_pool).mid(from, length); }

    QVector<Node> m_nodes;
    QVector<int> m_open;
    // Every name, class and text, back to back.
    QString m_pool;
};

#endif
