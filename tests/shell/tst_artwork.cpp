// The compiled-in images: every image of resources/art/images.txt is
// compiled in as rendered, and skin and hover twins match their normal image
// in size. (The images each widget names are checked by its own test.)

#include "testenvironment.h"

#include <QDirIterator>
#include <QFile>
#include <QPixmap>
#include <QRegularExpression>
#include <QResource>

class TstArtwork : public QObject
{
    Q_OBJECT
private slots:
    void everyRenderedImageIsCompiledIn()
    {
        QFile manifest(QStringLiteral(PLUMDECK_TEST_DATA_DIR "/../../resources/art/images.txt"));
        QVERIFY(manifest.open(QIODevice::ReadOnly | QIODevice::Text));
        int count = 0;
        const QRegularExpression spaces(QStringLiteral("\\s+"));
        while (!manifest.atEnd()) {
            const QStringList f = QString::fromUtf8(manifest.readLine()).trimmed().split(spaces);
            if (f.value(0) != QLatin1String("image"))
                continue;
            ++count;
            const QString path = QStringLiteral(":/") + f.at(1) + QStringLiteral(".png");
            const QStringList wh = f.at(3).split(QLatin1Char('x'));
            const QPixmap pixmap(path);
            QVERIFY2(!pixmap.isNull(), qPrintable(path + QStringLiteral(" is not compiled in; run render-art")));
            QCOMPARE(pixmap.size(), QSize(wh.at(0).toInt(), wh.at(1).toInt()));
        }
        QVERIFY(count > 40);
    }

    void twinsMatchInSize()
    {
        QDirIterator it(QStringLiteral(":/"), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
        int twins = 0;
        while (it.hasNext()) {
            const QString path = it.next();
            QString base = path;
            base.replace(QLatin1String("-active.png"), QLatin1String(".png"));
            base.replace(QLatin1String("-blue.png"), QLatin1String(".png"));
            if (base == path || !QResource(base).isValid())
                continue;
            ++twins;
            QVERIFY2(QPixmap(path).size() == QPixmap(base).size(), qPrintable(path));
        }
        QVERIFY(twins > 10);
    }
};

PLUMDECK_TEST_MAIN(TstArtwork)
#include "tst_artwork.moc"
