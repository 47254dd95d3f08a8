// The delegates of the task tree: the check dot's hit box, how far a title
// reaches over empty icon columns, the title colours, and what the icon and
// time cells draw and ask for.

#include "lists/icondelegate.h"
#include "lists/itemdelegate.h"
#include "lists/timedelegate.h"
#include "testenvironment.h"
#include "treetest.h"

#include <QLineEdit>
#include <QPaintEngine>
#include <QPainter>
#include <QStandardItemModel>

#include <memory>

using namespace TreeTest;

namespace {

void setSetting(const char *key, const QVariant &value)
{
    QSettings().setValue(QLatin1String(key), value);
}

QImage blank()
{
    QImage image(300, 34, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QImage paint(const QAbstractItemDelegate &delegate, const QModelIndex &index, QStyle::State state = {})
{
    QImage image = blank();
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.state = QStyle::State_Enabled | state;
    option.font.setStyleStrategy(QFont::NoAntialias);
    option.font.setPixelSize(14);
    QPainter painter(&image);
    delegate.paint(&painter, option, index);
    return image;
}

// Whether something right of `fromX` is drawn in the colour, at least half
// opaque: antialiased edges keep their colour over a transparent image.
bool contains(const QImage &image, const QColor &colour, int fromX = 24)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = fromX; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 127 && qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green())
                                           + qAbs(c.blue() - colour.blue()) < 8)
                return true;
        }
    }
    return false;
}

// The lowest row holding the colour, -1 when none does.
int lowestRow(const QImage &image, const QColor &colour)
{
    for (int y = image.height() - 1; y >= 0; --y) {
        if (contains(image.copy(0, y, image.width(), 1), colour, 0))
            return y;
    }
    return -1;
}

// A device that keeps the texts drawn on it, each with where its run ends.
class TextRecorder : public QPaintDevice
{
public:
    struct Drawn
    {
        QString text;
        qreal right;
    };
    QList<Drawn> drawn;

    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return 300;
        case PdmHeight: return 34;
        case PdmDepth: return 32;
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(TextRecorder *owner) : QPaintEngine(AllFeatures), m_owner(owner) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawPath(const QPainterPath &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF &p, const QTextItem &item) override
        {
            m_owner->drawn.append({item.text(), p.x() + item.width()});
        }
        Type type() const override { return User; }

    private:
        TextRecorder *m_owner;
    };
    mutable Engine m_engine{this};
};

} // namespace

class TstTaskDelegates : public QObject
{
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("expects the data"))); }
    void cleanup() { setSetting("ui/skin", 0); }

    void checkDot_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("inside");
        QTest::newRow("middle") << QPoint(18, 37) << true;
        QTest::newRow("first pixels") << QPoint(11, 30) << true;
        QTest::newRow("last pixels") << QPoint(25, 44) << true;
        QTest::newRow("left edge") << QPoint(10, 37) << false;
        QTest::newRow("right edge") << QPoint(26, 37) << false;
        QTest::newRow("top edge") << QPoint(18, 29) << false;
        QTest::newRow("bottom edge") << QPoint(18, 45) << false;
    }

    void checkDot()
    {
        QFETCH(QPoint, point);
        QTEST(pointInCheckDot(QRect(10, 20, 200, 34), point), "inside");
    }

    // The model packs a task's icons into the last icon columns, so a task
    // with fewer icons leaves its title more room.
    void titleReach()
    {
        Tree tree("T0 T1 T2 T3 T4 T5 T6 T7");
        const QDateTime later = QDateTime::currentDateTimeUtc().addDays(1);
        const QList<std::function<void(Task *)>> icons = {
            [](Task *t) { t->assign(QStringLiteral("bob")); },
            [](Task *t) { t->createAttachment(QStringLiteral("webHyperlink"), QString(), QStringLiteral("http://a/")); },
            [](Task *t) { t->createAttachment(QStringLiteral("videoHyperlink"), QString(), QStringLiteral("http://v/")); },
            [later](Task *t) { t->setStartTime(later); },
            [later](Task *t) { t->setNote(later, QStringLiteral("n")); },
            [later](Task *t) { t->setAlarmTime(later); },
            [](Task *t) { t->setPriority(TaskPriority(TaskPriority::Reminder)); },
        };
        const QList<int> narrower = {0, 21, 47, 73, 99, 125, 151, 174};
        int widest = 0;
        for (int count = 0; count <= 7; ++count) {
            const QString title = QStringLiteral("T%1").arg(count);
            for (int i = 0; i < count; ++i)
                icons.at(i)(tree.model->taskForIndex(tree.at(title)));
            QCOMPARE(ItemDelegate::visibleIconCount(tree.at(title)), count);
            tree.select(title);
            keys("Right");
            const int width = QApplication::focusWidget()->width();
            keys("Escape");
            if (count == 0)
                widest = width;
            QCOMPARE(widest - width, narrower.at(count));
        }
    }

    void titleColours_data()
    {
        QTest::addColumn<bool>("done");
        QTest::addColumn<bool>("grayOut");
        QTest::addColumn<int>("state");
        QTest::addColumn<QColor>("text");
        const int focus = int(QStyle::State_HasFocus);
        const int selected = int(QStyle::State_Selected);
        const QColor blueText(62, 94, 127);
        QTest::newRow("open") << false << true << 0 << blueText;
        QTest::newRow("done, greyed") << true << true << 0 << QColor(132, 162, 188);
        QTest::newRow("done, not greyed") << true << false << 0 << blueText;
        // On the selection's fill the palette's title colour would not read.
        QTest::newRow("done and selected") << true << true << selected << QColor(10, 22, 34);
        QTest::newRow("open and selected") << false << true << selected << QColor(10, 22, 34);
        QTest::newRow("done and current") << true << true << focus << QColor(Qt::white);
    }

    void titleColours()
    {
        QFETCH(bool, done);
        QFETCH(bool, grayOut);
        QFETCH(int, state);
        setSetting("ui/skin", 1);
        setSetting("ui/gray-out-completed-tasks", grayOut);
        Tree tree(done ? "A *WWWW" : "A WWWW");
        const ItemDelegate delegate;
        const QImage image = paint(delegate, tree.at("WWWW"), QStyle::State(state));
        QFETCH(QColor, text);
        for (const QColor &colour :
             {QColor(62, 94, 127), QColor(132, 162, 188), QColor(Qt::white), QColor(10, 22, 34)})
            QCOMPARE(contains(image, colour), colour == text);
        setSetting("ui/gray-out-completed-tasks", true);
    }

    // A title longer than its cell ends in an ellipsis inside the cell
    // instead of being cut through a letter at the edge.
    void longTitleIsElided_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("elided");
        QTest::newRow("short") << "Plums" << false;
        QTest::newRow("long") << QStringLiteral("Plums").repeated(60) << true;
        QTest::newRow("one long word, wide letters") << QStringLiteral("W").repeated(80) << true;
    }

    void longTitleIsElided()
    {
        QFETCH(QString, title);
        QFETCH(bool, elided);
        Tree tree(QStringLiteral("A ") + title);
        const ItemDelegate delegate;
        TextRecorder device;
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 300, 34);
        option.state = QStyle::State_Enabled;
        option.font.setPixelSize(14);
        {
            QPainter painter(&device);
            delegate.paint(&painter, option, tree.at(title));
        }
        QCOMPARE(device.drawn.size(), 1);
        const QString shown = device.drawn.first().text;
        if (!elided) {
            QCOMPARE(shown, title);
            return;
        }
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY(title.startsWith(shown.chopped(1)));
        // Within the title's room: nothing left for the edge to cut.
        QVERIFY2(device.drawn.first().right <= option.rect.right() + 1,
                 qPrintable(QString::number(device.drawn.first().right)));
    }

    // A new list's one empty task shows no dot until it is highlighted.
    void placeholderHasNoDot()
    {
        Tree tree("_ _");
        const ItemDelegate delegate;
        QCOMPARE(paint(delegate, tree.at("_")), blank());
        QVERIFY(paint(delegate, tree.at("_"), QStyle::State_Selected) != blank());
    }

    // Icon and time cells draw what the model hands them; an empty cell
    // draws nothing and asks for no size, anything else is a warning.
    void cells_data()
    {
        QTest::addColumn<bool>("time");
        QTest::addColumn<QVariant>("data");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QColor>("pen");
        QPixmap pixmap(16, 12);
        pixmap.fill(Qt::red);
        const QString longText(40, QLatin1Char('W'));
        const int longWidth = QFontMetrics(QFont(QStringLiteral("Helvetica"), 9)).horizontalAdvance(longText) + 10;
        const QString icon = QStringLiteral("IconDelegate expects the data to be a pixmap");
        const QString time = QStringLiteral("TimeDelegate expects the data to be a string");
        const QColor blue(62, 94, 127);
        QTest::newRow("icon") << false << QVariant(pixmap) << 16 << QString() << QColor(Qt::red);
        QTest::newRow("no icon") << false << QVariant(QPixmap()) << -1 << QString() << QColor();
        QTest::newRow("empty icon cell") << false << QVariant() << -1 << QString() << QColor();
        QTest::newRow("text in an icon cell") << false << QVariant(QStringLiteral("x")) << -1 << icon << QColor();
        QTest::newRow("blank time") << true << QVariant(QString(QLatin1String(""))) << 70 << QString() << QColor();
        QTest::newRow("short time, blue") << true << QVariant(QStringLiteral("3 days")) << 70 << QString() << blue;
        QTest::newRow("long time, green") << true << QVariant(longText) << longWidth << QString() << QColor(Qt::black);
        QTest::newRow("null time") << true << QVariant(QString()) << -1 << QString() << QColor();
        QTest::newRow("empty time cell") << true << QVariant() << -1 << QString() << QColor();
        QTest::newRow("picture in a time cell") << true << QVariant(pixmap) << -1 << time << QColor();
    }

    void cells()
    {
        QFETCH(bool, time);
        QFETCH(QVariant, data);
        QFETCH(QString, warning);
        QFETCH(QColor, pen);
        // The delegates leave the painter as they found it.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("Unbalanced save/restore")));
        setSetting("ui/skin", pen == QColor(62, 94, 127) ? 1 : 0);
        QStandardItemModel model(1, 1);
        model.setData(model.index(0, 0), data);
        std::unique_ptr<QAbstractItemDelegate> delegate(time ? static_cast<QAbstractItemDelegate *>(new TimeDelegate)
                                                             : new IconDelegate);
        for (int i = 0; !warning.isEmpty() && i < 2; ++i)
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QTEST(delegate->sizeHint(QStyleOptionViewItem(), model.index(0, 0)).width(), "width");
        const QImage image = paint(*delegate, model.index(0, 0));
        QCOMPARE(image != blank(), pen.isValid());
        QVERIFY(!pen.isValid() || contains(image, pen, 0));
        QVERIFY(!contains(image.copy(0, 0, 5, 34), pen, 0)); // times start 5 pixels in
        // A time text stands on the baseline 3 pixels below the font's
        // height: "W" ends just above it, "y" reaches into the descent.
        if (time && pen.isValid()) {
            const QFontMetrics metrics(QFont(QStringLiteral("Helvetica"), 9));
            const int lowest = lowestRow(image, pen);
            QVERIFY2(lowest >= metrics.height() + 1 && lowest <= metrics.height() + 3 + metrics.descent(),
                     qPrintable(QString::number(lowest)));
        }
        // An icon is centred and unscaled: (149 - 8, 16 - 6) is its top left.
        if (pen == QColor(Qt::red))
            QVERIFY(image.pixelColor(141, 10) == pen && image.pixelColor(140, 10).alpha() == 0);
    }
};

PLUMDECK_TEST_MAIN(TstTaskDelegates)
#include "tst_taskdelegates.moc"
