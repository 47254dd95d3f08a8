// The element tree the task readers read: gathered from a stream it must be
// the tree taken from a DOM of the same markup, or the lists file and the
// server's documents would be read by different rules.
#include "model/elementtree.h"
#include "testenvironment.h"

#include <QDomDocument>
#include <QXmlStreamReader>

namespace {

QString kindText(ElementTree::TextKind kind)
{
    switch (kind) {
    case ElementTree::NoChild:
        return QStringLiteral("-");
    case ElementTree::Text:
        return QStringLiteral("T");
    case ElementTree::NullText:
        return QStringLiteral("0");
    case ElementTree::OtherChild:
        return QStringLiteral("O");
    }
    return QStringLiteral("?");
}

// tag[kind:text](children), the tag followed by a dot when the element has
// a class; the children separated by spaces.
QString dump(ElementTree::Element e)
{
    QString out = e.tagName().toString();
    if (!e.hasClass(u""))
        out += QLatin1Char('.');
    out += QStringLiteral("[%1:%2]").arg(kindText(e.textKind()), e.text().toString());
    QStringList children;
    for (ElementTree::Element c = e.firstChild(); !c.isNull(); c = c.nextSibling())
        children << dump(c);
    if (!children.isEmpty())
        out += QLatin1Char('(') + children.join(QLatin1Char(' ')) + QLatin1Char(')');
    return out;
}

// The first element of the markup and its subtree, token by token, as the
// lists file is gathered.
void gather(ElementTree &tree, const QString &markup)
{
    QXmlStreamReader reader(markup);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.tokenType() == QXmlStreamReader::StartElement)
            ++depth;
        if (depth > 0)
            tree.read(reader);
        if (reader.tokenType() == QXmlStreamReader::EndElement && --depth == 0)
            break;
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
}

QString streamed(const QString &markup)
{
    ElementTree tree;
    gather(tree, markup);
    return dump(tree.root());
}

QString fromDom(const QString &markup)
{
    QDomDocument doc;
    if (!doc.setContent(markup, false))
        return QStringLiteral("<unparsed>");
    ElementTree tree;
    tree.appendDom(doc.documentElement());
    return dump(tree.root());
}

} // namespace

class TstElementTree : public QObject
{
    Q_OBJECT

private slots:
    void sameTreeEitherWay_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("tree");

        QTest::newRow("empty") << QStringLiteral("<dd/>") << QStringLiteral("dd[-:]");
        QTest::newRow("text") << QStringLiteral("<dd>abc</dd>") << QStringLiteral("dd[T:abc]");
        QTest::newRow("blank text is no node")
            << QStringLiteral("<dl>\n <dt>k</dt>\n <dd> v </dd>\n</dl>")
            << QStringLiteral("dl[O:](dt[T:k] dd[T: v ])");
        QTest::newRow("cdata joins the run") << QStringLiteral("<dd>a<![CDATA[<b>]]>c</dd>")
                                             << QStringLiteral("dd[T:a<b>c]");
        QTest::newRow("blank cdata is kept") << QStringLiteral("<dd><![CDATA[ ]]></dd>") << QStringLiteral("dd[T: ]");
        QTest::newRow("entities") << QStringLiteral("<dd>a&amp;b&#65;</dd>") << QStringLiteral("dd[T:a&bA]");
        QTest::newRow("comment first") << QStringLiteral("<dd><!--c-->t</dd>") << QStringLiteral("dd[O:]");
        QTest::newRow("comment ends the run") << QStringLiteral("<dd>t<!--c-->u</dd>") << QStringLiteral("dd[T:t]");
        QTest::newRow("instruction ends the run") << QStringLiteral("<dd>t<?p x?>u</dd>") << QStringLiteral("dd[T:t]");
        QTest::newRow("element ends the run")
            << QStringLiteral("<dd>t<b>x</b>u</dd>") << QStringLiteral("dd[T:t](b[T:x])");
        QTest::newRow("classes and siblings")
            << QStringLiteral("<ol class=\"pd-tasks\"><li class=\"pd-task\"><dl class=\"pd-task-fields\"/></li>"
                              "<li id=\"x\"/><li class=\"a b\"/></ol>")
            << QStringLiteral("ol.[O:](li.[O:](dl.[-:]) li[-:] li.[-:])");
        QTest::newRow("prefixed names") << QStringLiteral("<x:dd xmlns:x=\"u\">t</x:dd>") << QStringLiteral("x:dd[T:t]");
        QTest::newRow("deep") << QStringLiteral("<a><b><c><d>t</d></c></b><e/></a>")
                              << QStringLiteral("a[O:](b[O:](c[O:](d[T:t])) e[-:])");
    }

    void sameTreeEitherWay()
    {
        QFETCH(QString, markup);
        QFETCH(QString, tree);
        QCOMPARE(streamed(markup), tree);
        QCOMPARE(fromDom(markup), tree);
    }

    void classesAreTheAttributeExactly()
    {
        ElementTree tree;
        gather(tree, QStringLiteral("<ol class=\"pd-tasks\"><li class=\"pd-task x\"/><li class=\"pd-task\"/></ol>"));
        const ElementTree::Element ol = tree.root();
        QVERIFY(ol.hasClass(u"pd-tasks"));
        QVERIFY(!ol.hasClass(u"pd-task"));
        QVERIFY(!ol.firstChild().hasClass(u"pd-task"));
        QVERIFY(ol.firstChild().nextSibling().hasClass(u"pd-task"));
        QVERIFY(ol.firstChild().nextSibling().nextSibling().isNull());
    }

    // A DOM built in code may hold null texts; the readers tell them from
    // empty ones.
    void nullTextsOfADomBuiltInCode()
    {
        QDomDocument doc;
        QDomElement dl = doc.createElement(QStringLiteral("dl"));
        QDomElement onlyNull = doc.createElement(QStringLiteral("dd"));
        onlyNull.appendChild(doc.createTextNode(QString()));
        QDomElement nullThenText = doc.createElement(QStringLiteral("dd"));
        nullThenText.appendChild(doc.createTextNode(QString()));
        nullThenText.appendChild(doc.createTextNode(QStringLiteral("v")));
        dl.appendChild(onlyNull);
        dl.appendChild(nullThenText);
        ElementTree tree;
        tree.appendDom(dl);
        QCOMPARE(dump(tree.root()), QStringLiteral("dl[O:](dd[0:] dd[T:v])"));
    }

    void nullElementReadsAsEmpty()
    {
        const ElementTree tree;
        const ElementTree::Element e = tree.root();
        QVERIFY(e.isNull());
        QVERIFY(e.firstChild().isNull());
        QVERIFY(e.nextSibling().isNull());
        QVERIFY(e.tagName().isEmpty());
        QVERIFY(!e.hasClass(u""));
        QCOMPARE(e.textKind(), ElementTree::NoChild);
        QCOMPARE(e.mark(), -1);
        QVERIFY(tree.current().isNull());
    }

    // Marks go on the element open while gathering; the tree is reused part
    // after part.
    void marksAndReuse()
    {
        ElementTree tree;
        QXmlStreamReader reader(QStringLiteral("<ol><li>a</li><li>b</li></ol>"));
        int items = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            tree.read(reader);
            if (reader.isStartElement() && reader.name() == u"li")
                tree.setMark(tree.current(), 10 + items++);
        }
        const ElementTree::Element ol = tree.root();
        QCOMPARE(ol.mark(), -1);
        QCOMPARE(ol.firstChild().mark(), 10);
        QCOMPARE(ol.firstChild().nextSibling().mark(), 11);
        QVERIFY(tree.current().isNull());

        ElementTree other;
        gather(other, QStringLiteral("<q/>"));
        tree.setMark(other.root(), 5); // another tree's element: ignored
        QCOMPARE(other.root().mark(), -1);

        tree.clear();
        QVERIFY(tree.root().isNull());
        gather(tree, QStringLiteral("<p>z</p>"));
        QCOMPARE(dump(tree.root()), QStringLiteral("p[T:z]"));
    }
};

PLUMDECK_TEST_MAIN(TstElementTree)
#include "tst_elementtree.moc"
