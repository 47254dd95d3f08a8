// The compiled-in images: every one the window frame names exists at its
// size, every image of resources/art/images.txt is compiled in as rendered,
// and skin and hover twins match their normal image in size.

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
    void namedImages_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        const QSize button(22, 20);
        const QSize menu(16, 16);
        for (const char *name : {"window-help", "window-help-blue", "config", "config-blue", "window-minimize",
                                 "window-minimize-blue", "window-maximize", "window-maximize-active",
                                 "window-maximize-blue", "window-maximize-blue-active", "window-restore",
                                 "window-restore-active", "window-close", "window-close-blue", "close-dialog",
                                 "blue_miniclose", "minimize-dialog", "blue_miniminimize"})
            QTest::newRow(name) << QStringLiteral(":/%1.png").arg(QLatin1String(name)) << button;
        for (const char *name : {"menu-spacer", "menu-check", "undo", "redo", "cut", "copy", "paste",
                                 "task_delete", "select_all"})
            QTest::newRow(name) << QStringLiteral(":/%1.png").arg(QLatin1String(name)) << menu;
        QTest::newRow("resize-grip-dialog") << ":/resize-grip-dialog.png" << QSize(12, 12);
        QTest::newRow("full/window-title") << ":/full/window-title.png" << QSize(132, 20);
        QTest::newRow("full/window-title-blue") << ":/full/window-title-blue.png" << QSize(132, 20);
        QTest::newRow("default.css") << ":/default.css" << QSize();
        QTest::newRow("BlueStyle.css") << ":/BlueStyle.css" << QSize();
    }

    void namedImages()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QVERIFY2(QResource(path).isValid(), qPrintable(path));
        if (size.isValid())
            QCOMPARE(QPixmap(path).size(), size);
    }

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
            if (path.startsWith(QLatin1String(":/qt-project.org")))
                continue;
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
