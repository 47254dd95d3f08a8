#include "model/elementtree.h"

#include <QDomElement>
#include <QXmlStreamReader>

namespace {

const QString kClass = QStringLiteral("class");

} // namespace

// A null element reads as one with no name, no class and no children, as a
// null QDomElement does.

ElementTree::Element ElementTree::Element::firstChild() const
{
    return m_tree ? Element(m_tree, m_tree->m_nodes.at(m_index).firstChild) : Element();
}

ElementTree::Element ElementTree::Element::nextSibling() const
{
    return m_tree ? Element(m_tree, m_tree->m_nodes.at(m_index).nextSibling) : Element();
}

QStringView ElementTree::Element::tagName() const
{
    if (!m_tree)
        return QStringView();
    const Node &node = m_tree->m_nodes.at(m_index);
    return m_tree->slice(node.name, node.nameLength);
}

bool ElementTree::Element::hasClass(QStringView className) const
{
    const Node *node = m_tree ? &m_tree->m_nodes.at(m_index) : nullptr;
    return node && m_tree->slice(node->className, node->classLength) == className;
}

ElementTree::TextKind ElementTree::Element::textKind() const
{
    return m_tree ? m_tree->m_nodes.at(m_index).textKind : NoChild;
}

QStringView ElementTree::Element::text() const
{
    if (!m_tree)
        return QStringView();
    const Node &node = m_tree->m_nodes.at(m_index);
    return m_tree->slice(node.text, node.textLength);
}

int ElementTree::Element::mark() const
{
    return m_tree ? m_tree->m_nodes.at(m_index).mark : -1;
}

void ElementTree::setMark(Element element, int mark)
{
    if (element.m_tree == this)
        m_nodes[element.m_index].mark = mark;
}

void ElementTree::clear()
{
    // Kept allocated: the next part is gathered into the same storage.
    m_nodes.resize(0);
    m_open.resize(0);
    m_pool.truncate(0);
}

int ElementTree::startElement(QStringView name, QStringView className)
{
    const int index = int(m_nodes.size());
    Node node;
    node.name = int(m_pool.size());
    node.nameLength = int(name.size());
    m_pool.append(name);
    node.className = int(m_pool.size());
    node.classLength = int(className.size());
    m_pool.append(className);
    if (!m_open.isEmpty()) {
        otherChild();
        Node &parent = m_nodes[m_open.last()];
        if (parent.lastChild >= 0)
            m_nodes[parent.lastChild].nextSibling = index;
        else
            parent.firstChild = index;
        parent.lastChild = index;
    }
    m_nodes.append(node);
    m_open.append(index);
    return index;
}

void ElementTree::endElement()
{
    if (!m_open.isEmpty())
        m_open.removeLast();
}

void ElementTree::appendText(QStringView text, bool isNull)
{
    if (m_open.isEmpty())
        return;
    Node &node = m_nodes[m_open.last()];
    if (node.textKind == NoChild) {
        node.textKind = isNull ? NullText : Text;
        node.text = int(m_pool.size());
        node.runOpen = true;
    } else if (!node.runOpen) {
        return;
    } else if (!isNull) {
        node.textKind = Text;
    }
    // The run is the last thing in the pool while it is open: anything else
    // added under the element closes it first.
    m_pool.append(text);
    node.textLength += int(text.size());
}

void ElementTree::otherChild()
{
    if (m_open.isEmpty())
        return;
    Node &node = m_nodes[m_open.last()];
    if (node.textKind == NoChild)
        node.textKind = OtherChild;
    node.runOpen = false;
}

void ElementTree::read(const QXmlStreamReader &reader)
{
    switch (reader.tokenType()) {
    case QXmlStreamReader::StartElement: {
        QStringView className;
        const QXmlStreamAttributes attributes = reader.attributes();
        for (const QXmlStreamAttribute &attribute : attributes) {
            if (attribute.qualifiedName() == kClass) {
                className = attribute.value();
                break;
            }
        }
        startElement(reader.qualifiedName(), className);
        break;
    }
    case QXmlStreamReader::EndElement:
        endElement();
        break;
    case QXmlStreamReader::Characters:
        // The DOM keeps no node for blank character data, CDATA aside.
        if (!reader.isWhitespace() && (reader.isCDATA() || !reader.text().trimmed().isEmpty()))
            appendText(reader.text(), false);
        break;
    case QXmlStreamReader::Comment:
    case QXmlStreamReader::ProcessingInstruction:
    case QXmlStreamReader::EntityReference:
        otherChild();
        break;
    default:
        break;
    }
}

void ElementTree::appendDom(const QDomElement &element)
{
    // Walked without recursion: a DOM built in code may nest without bound.
    QList<QDomNode> parents;
    startElement(element.tagName(), element.attribute(kClass));
    QDomNode node = element.firstChild();
    for (;;) {
        if (node.isNull()) {
            endElement();
            if (parents.isEmpty())
                break;
            node = parents.takeLast().nextSibling();
            continue;
        }
        if (node.isElement()) {
            const QDomElement child = node.toElement();
            startElement(child.tagName(), child.attribute(kClass));
            parents.append(node);
            node = node.firstChild();
            continue;
        }
        if (node.isText()) { // CDATA sections included
            const QString value = node.nodeValue();
            appendText(value, value.isNull());
        } else {
            otherChild();
        }
        node = node.nextSibling();
    }
}
