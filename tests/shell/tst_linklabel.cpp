#include "shell/linklabel.h"
#include "shell/plumdeckstyle.h"
#include "testenvironment.h"

#include <QStyleFactory>

class TstLinkLabel : public QObject
{
    Q_OBJECT
public:
    int activations = 0;

public slots:
    void activated() { ++activations; }

private slots:
    // An in-page link calls its receiver and shows the hand over the link
    // only; an external link opens by itself.
    void links()
    {
        QWidget window;
        auto *inPage = new LinkLabel(QStringLiteral("Shortcuts"), this, SLOT(activated()), &window);
        auto *external = new LinkLabel(QStringLiteral("User Guide"), QStringLiteral("https://example.org/guide"), &window);
        const QString style = QStringLiteral("<a style=\"text-decoration: none; color: #000000\" ");
        QCOMPARE(inPage->text(), style + QStringLiteral("href=\"#thelink\">Shortcuts</a>"));
        QCOMPARE(external->text(), style + QStringLiteral("href=\"https://example.org/guide\">User Guide</a>"));
        QVERIFY(!inPage->openExternalLinks());
        QVERIFY(external->openExternalLinks());
        emit inPage->linkActivated(QStringLiteral("#thelink"));
        QCOMPARE(activations, 1);
        for (const char *link : {"#thelink", "", "#thelink", "#other"}) {
            emit inPage->linkHovered(QLatin1String(link));
            QCOMPARE(inPage->testAttribute(Qt::WA_SetCursor), link == QByteArray("#thelink"));
            if (inPage->testAttribute(Qt::WA_SetCursor))
                QCOMPARE(inPage->cursor().shape(), Qt::PointingHandCursor);
        }
        emit external->linkHovered(QStringLiteral("https://example.org/guide"));
        QVERIFY(!external->testAttribute(Qt::WA_SetCursor));
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
