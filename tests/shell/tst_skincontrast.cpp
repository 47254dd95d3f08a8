// The skins' texts and icons against the fills they sit on, by the contrast
// ratio of their relative luminances (WCAG 2): at least 3:1 for every one,
// and 4.5:1 for those whose colour was chosen to read on its fill.

#include "lists/itemdelegate.h"
#include "testenvironment.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardItemModel>
#include <QWidget>

#include <cmath>

namespace {

double channel(int value)
{
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QString sheet(bool blue)
{
    QFile file(blue ? QStringLiteral(":/BlueStyle.css") : QStringLiteral(":/default.css"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// The colour `property` gives in the rule whose selector list is exactly
// `selector`; a gradient gives the mean of its stops, the colour over most
// of a bar's middle. Invalid when there is no such rule or property.
QColor sheetColour(bool blue, const QString &selector, const QString &property)
{
    const QString text = sheet(blue);
    const QRegularExpression rule(QStringLiteral("(?:^|\\})\\s*(?:/\\*(?:[^*]|\\*(?!/))*\\*/\\s*)*")
                                  + QRegularExpression::escape(selector) + QStringLiteral("\\s*\\{([^}]*)\\}"));
    const QRegularExpressionMatch match = rule.match(text);
    if (!match.hasMatch())
        return QColor();
    const QRegularExpression declaration(QStringLiteral("(?:^|;)\\s*") + QRegularExpression::escape(property)
                                         + QStringLiteral("\\s*:([^;]*)"));
    const QRegularExpressionMatch value = declaration.match(match.captured(1));
    if (!value.hasMatch())
        return QColor();
    int r = 0, g = 0, b = 0, n = 0;
    QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("#[0-9a-fA-F]{6}")).globalMatch(value.captured(1));
    while (it.hasNext()) {
        const QColor c(it.next().captured(0));
        r += c.red();
        g += c.green();
        b += c.blue();
        ++n;
    }
    return n ? QColor(r / n, g / n, b / n) : QColor();
}

// The colour drawn most in the image's top left quarter: an icon's ink
// there, away from the badges in its bottom right corner.
QColor ink(const QString &path)
{
    const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height() / 2; ++y) {
        for (int x = 0; x < image.width() / 2; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 127)
                ++counts[c.rgb()];
        }
    }
    QRgb best = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    }
    return most ? QColor(best) : QColor();
}

// A task title as the tree draws it in the state: the fill under it (the
// colour drawn most) and the text (the colour farthest from the fill).
QPair<QColor, QColor> paintedTitle(bool blue, QStyle::State state)
{
    QSettings().setValue(QStringLiteral("ui/skin"), blue ? 1 : 0);
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("WWWW WWWW")));
    const ItemDelegate delegate;
    QImage image(300, 34, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.state = QStyle::State_Enabled | state;
    option.font.setStyleStrategy(QFont::NoAntialias);
    option.font.setPixelSize(14);
    {
        QPainter painter(&image);
        delegate.paint(&painter, option, model.index(0, 0));
    }
    QSettings().remove(QStringLiteral("ui/skin"));
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 24; x < image.width(); ++x) { // right of the check dot
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 255)
                ++counts[c.rgb()];
        }
    }
    QColor fill;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            fill = QColor(it.key());
        }
    }
    QColor text;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (!text.isValid() || contrast(QColor(it.key()), fill) > contrast(text, fill))
            text = QColor(it.key());
    }
    return {fill, text};
}

} // namespace

class TstSkinContrast : public QObject
{
    Q_OBJECT
private slots:
    void textOnFill_data()
    {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("fill");
        QTest::addColumn<double>("least");

        const QString frame = QStringLiteral("SyncingScreen #loadingFrame");
        const QString titleBar = QStringLiteral("CustomDialog #windowtitlebar");
        const QString button = QStringLiteral("CustomDialog #bottombuttonscontainer QPushButton");
        for (const bool blue : {false, true}) {
            const char *skin = blue ? "blue" : "green";
            const auto row = [skin](const char *what) -> QTestData & {
                return QTest::addRow("%s: %s", skin, what);
            };
            const QPair<QColor, QColor> selected = paintedTitle(blue, QStyle::State_Selected);
            row("selected title, tree without focus") << selected.second << selected.first << 4.5;
            const QPair<QColor, QColor> current = paintedTitle(blue, QStyle::State_Selected | QStyle::State_HasFocus);
            row("selected title, tree with focus") << current.second << current.first << 3.0;
            row("\"Synchronizing...\"") << sheetColour(blue, QStringLiteral("SyncingScreen #loadingLabel"),
                                                       QStringLiteral("color"))
                                        << sheetColour(blue, frame, QStringLiteral("background-color")) << 4.5;
            row("syncing overlay's cancel icon")
                << ink(blue ? QStringLiteral(":/sync_close_blue.png") : QStringLiteral(":/sync_close.png"))
                << sheetColour(blue, frame, QStringLiteral("background-color")) << 3.0;
            row("dialog title") << sheetColour(blue, QStringLiteral("CustomDialog #windowtitlelabel"),
                                               QStringLiteral("color"))
                                << sheetColour(blue, titleBar, QStringLiteral("background-color")) << 3.0;
            row("dialog button text") << sheetColour(blue, button, QStringLiteral("color"))
                                      << sheetColour(blue, button, QStringLiteral("background-color")) << 4.5;
            // White, like the title itself: on the Blue bar nothing reads better
            // than its 4.4:1.
            for (const char *icon : {"attachment_light", "attach_add_light", "attach_edit_light"}) {
                QTest::addRow("%s: title icon %s", skin, icon)
                    << ink(QStringLiteral(":/%1.png").arg(QLatin1String(icon)))
                    << sheetColour(blue, titleBar, QStringLiteral("background-color")) << (blue ? 4.4 : 4.5);
            }
            for (const char *icon : {"add", "edit", "delete"}) {
                const QString image = blue ? QStringLiteral(":/attach_%1.png") : QStringLiteral(":/attach_%1_light.png");
                QTest::addRow("%s: attachments button icon %s", skin, icon)
                    << ink(image.arg(QLatin1String(icon)))
                    << sheetColour(blue, button, QStringLiteral("background-color")) << 4.5;
            }
        }
    }

    void textOnFill()
    {
        QFETCH(QColor, text);
        QFETCH(QColor, fill);
        QFETCH(double, least);
        QVERIFY(text.isValid());
        QVERIFY(fill.isValid());
        const double ratio = contrast(text, fill);
        QVERIFY2(ratio >= least, qPrintable(QStringLiteral("%1 on %2: %3:1")
                                                 .arg(text.name(), fill.name())
                                                 .arg(ratio, 0, 'f', 2)));
    }

    // Merges of the sheets have left rules unclosed before, and an unclosed
    // rule silently swallows every rule after it.
    void sheetsAreWhole_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("green") << QStringLiteral(":/default.css");
        QTest::newRow("blue") << QStringLiteral(":/BlueStyle.css");
    }

    void sheetsAreWhole()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString sheet = QString::fromUtf8(file.readAll());
        int depth = 0;
        int line = 1;
        bool inComment = false;
        for (qsizetype i = 0; i < sheet.size(); ++i) {
            const QChar c = sheet.at(i);
            const QChar next = i + 1 < sheet.size() ? sheet.at(i + 1) : QChar();
            if (c == QLatin1Char('\n')) {
                ++line;
            } else if (inComment) {
                if (c == QLatin1Char('*') && next == QLatin1Char('/'))
                    inComment = false, ++i;
            } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
                inComment = true;
                ++i;
            } else if (c == QLatin1Char('{')) {
                QVERIFY2(++depth == 1, qPrintable(QStringLiteral("rule opened inside a rule, line %1").arg(line)));
            } else if (c == QLatin1Char('}')) {
                QVERIFY2(--depth == 0, qPrintable(QStringLiteral("stray }, line %1").arg(line)));
            }
        }
        QCOMPARE(depth, 0);
        QTest::failOnWarning(QRegularExpression(QStringLiteral("Could not parse")));
        QWidget widget;
        widget.setStyleSheet(sheet);
        widget.ensurePolished();
    }

    // The measure itself, on the ratios it is known for.
    void ratio_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("expected");
        QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
        QTest::newRow("same colours") << QColor(0x77, 0x77, 0x77) << QColor(0x77, 0x77, 0x77) << 1.0;
        QTest::newRow("#777 on white") << QColor(0x77, 0x77, 0x77) << QColor(Qt::white) << 4.48;
        QTest::newRow("order does not count") << QColor(Qt::white) << QColor(0x77, 0x77, 0x77) << 4.48;
    }

    void ratio()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, expected);
        QVERIFY(qAbs(contrast(a, b) - expected) < 0.01);
    }
};

PLUMDECK_TEST_MAIN(TstSkinContrast)
#include "tst_skincontrast.moc"
