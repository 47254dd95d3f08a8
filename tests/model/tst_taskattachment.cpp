#include "model/taskattachment.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "testenvironment.h"

#include <memory>

class TstTaskAttachment : public QObject
{
    Q_OBJECT
private slots:
    void types_data()
    {
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("writtenName");
        QTest::newRow("web") << "webHyperlink" << 2 << "webHyperlink";
        QTest::newRow("video") << "videoHyperlink" << 1 << "videoHyperlink";
        QTest::newRow("generic") << "generic" << 0 << "generic";
        QTest::newRow("case matters") << "WebHyperlink" << 0 << "generic";
        QTest::newRow("unknown") << "podcast" << 0 << "generic";
        QTest::newRow("empty") << "" << 0 << "generic";
    }
    void types()
    {
        QFETCH(QString, typeName);
        QFETCH(int, type);
        QFETCH(QString, writtenName);
        QCOMPARE(int(TaskAttachment::typeFromString(typeName)), type);
        std::unique_ptr<TaskAttachment> a(
            TaskAttachment::create(TaskAttachment::typeFromString(typeName), "n", QUrl("http://x.example/")));
        QCOMPARE(int(a->type()), type);
        QCOMPARE(a->typeName(), writtenName);
    }

    void compose_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("thumbnail");
        QTest::addColumn<QString>("text");
        QTest::newRow("size only") << "640" << "480" << QString() << "width;640;height;480";
        QTest::newRow("all three") << "640" << "480" << "t.jpg" << "width;640;height;480;thumbnail;t.jpg";
        QTest::newRow("thumbnail only") << QString() << QString() << "t.jpg" << "thumbnail;t.jpg";
        QTest::newRow("width without height dropped") << "640" << QString() << QString() << QString();
        QTest::newRow("height without width, thumb") << QString() << "480" << "t" << "thumbnail;t";
        QTest::newRow("empty but present") << "" << "" << QString() << "width;;height;";
        QTest::newRow("nothing") << QString() << QString() << QString() << QString();
    }
    void compose()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, thumbnail);
        QFETCH(QString, text);
        const QString composed = TaskAttachmentVideoHyperlink::parametersString(width, height, thumbnail);
        QCOMPARE(composed, text);
        QCOMPARE(composed.isNull(), text.isNull());
    }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("thumbnail");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::newRow("null") << QString() << QString() << QString() << QString() << -1 << -1;
        QTest::newRow("thumbnail only") << "thumbnail;t.jpg" << QString() << QString() << "t.jpg" << -1 << -1;
        QTest::newRow("size") << "width;640;height;480" << "640" << "480" << QString() << 640 << 480;
        QTest::newRow("all") << "width;640;height;480;thumbnail;t" << "640" << "480" << "t" << 640 << 480;
        QTest::newRow("thumbnail with ;") << "width;1;height;2;thumbnail;a;b" << QString() << QString() << QString() << -1 << -1;
        QTest::newRow("three parts") << "a;b;c" << QString() << QString() << QString() << -1 << -1;
        QTest::newRow("five parts") << "a;b;c;d;e" << QString() << QString() << QString() << -1 << -1;
        QTest::newRow("empty text") << "" << QString() << QString() << QString() << -1 << -1;
        QTest::newRow("width not a number") << "width;wide;height;480" << "wide" << "480" << QString() << 0 << 480;
        QTest::newRow("blank around number") << "width; 64;height;+48" << " 64" << "+48" << QString() << 0 << 0;
        QTest::newRow("names not checked") << "x;3;y;4" << "3" << "4" << QString() << 3 << 4;
        QTest::newRow("no digits") << "width;;height;-" << "" << "-" << QString() << 0 << 0;
        QTest::newRow("negative") << "width;-64;height;-1-" << "-64" << "-1-" << QString() << -64 << 0;
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, thumbnail);
        QFETCH(int, w);
        QFETCH(int, h);
        QString pw = "x", ph = "x", pt = "x";
        TaskAttachmentVideoHyperlink::parseParameters(text, pw, ph, pt);
        QCOMPARE(pw, width);
        QCOMPARE(pw.isNull(), width.isNull());
        QCOMPARE(ph, height);
        QCOMPARE(pt, thumbnail);
        QCOMPARE(pt.isNull(), thumbnail.isNull());

        TaskAttachmentVideoHyperlink video("v", QUrl("http://v.example/1"));
        if (!text.isNull())
            video.setAdditionalData(text);
        int vw = 99, vh = 99;
        QString vt = "x";
        video.videoParameters(vw, vh, vt);
        QCOMPARE(vw, w);
        QCOMPARE(vh, h);
        QCOMPARE(vt, thumbnail);
        QCOMPARE(vt.isNull(), thumbnail.isNull());
    }
};

PLUMDECK_TEST_MAIN(TstTaskAttachment)
#include "tst_taskattachment.moc"
