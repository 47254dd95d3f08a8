#include "shell/linklabel.h"
#include "shell/plumdeckstyle.h"
#include "testenvironment.h"

#include <QSignalSpy>
#include <QStyleFactory>

class TstLinkLabel : public QObject
{
    Q_OBJECT
public:
    int activations = 0;

public slots:
    void activated() { ++activations; }

private slots:
    void inPageLink()
    {
        LinkLabel label(QStringLiteral("Shortcuts"), this, SLOT(activated()));
        QCOMPARE(label.text(),
                 QStringLiteral("<a style=\"text-decoration: none; color: #000000\" href=\"#thelink\">Shortcuts</a>"));
        QVERIFY(!label.openExternalLinks());
        activations = 0;
        emit label.linkActivated(QStringLiteral("#thelink"));
        QCOMPARE(activations, 1);
    }

    void hoverCursor()
    {
        QWidget window;
        auto &label = *new LinkLabel(QStringLiteral("Shortcuts"), this, SLOT(activated()), &window);
        emit label.linkHovered(QStringLiteral("#thelink"));
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
        emit label.linkHovered(QString());
        QVERIFY(!label.testAttribute(Qt::WA_SetCursor));
        emit label.linkHovered(QStringLiteral("#thelink"));
        emit label.linkHovered(QStringLiteral("#other"));
        QVERIFY(!label.testAttribute(Qt::WA_SetCursor));
    }

    void externalLink()
    {
        QWidget window;
        auto &label = *new LinkLabel(QStringLiteral("User Guide"), QStringLiteral("https://example.org/guide"), &window);
        QCOMPARE(label.text(), QStringLiteral("<a style=\"text-decoration: none; color: #000000\" "
                                              "href=\"https://example.org/guide\">User Guide</a>"));
        QVERIFY(label.openExternalLinks());
        emit label.linkHovered(QStringLiteral("https://example.org/guide"));
        QVERIFY(!label.testAttribute(Qt::WA_SetCursor));
    }

    // The application style lives here too: it is one small override.
    void styleKeepsPressedButtonsStill()
    {
        PlumdeckStyle style;
        QCOMPARE(style.pixelMetric(QStyle::PM_ButtonShiftHorizontal), 0);
        QCOMPARE(style.pixelMetric(QStyle::PM_ButtonShiftVertical), 0);
        QCOMPARE(style.baseStyle()->name().toLower(), QStringLiteral("windows"));
        std::unique_ptr<QStyle> windows(QStyleFactory::create(QStringLiteral("Windows")));
        QVERIFY(windows->pixelMetric(QStyle::PM_ButtonShiftHorizontal) != 0);
        for (auto metric : {QStyle::PM_ButtonMargin, QStyle::PM_DefaultFrameWidth, QStyle::PM_ScrollBarExtent})
            QCOMPARE(style.pixelMetric(metric), windows->pixelMetric(metric));
    }
};

PLUMDECK_TEST_MAIN(TstLinkLabel)
#include "tst_linklabel.moc"
