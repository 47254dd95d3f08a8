#include "shell/settingcheckbox.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

class TstSettingCheckBox : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QSettings().clear(); }

    void readsOnceAndSavesABool_data()
    {
        QTest::addColumn<QVariant>("stored"); // invalid: absent
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("shown");
        QTest::newRow("absent, default on") << QVariant() << true << true;
        QTest::newRow("absent, default off") << QVariant() << false << false;
        QTest::newRow("true over default off") << QVariant(true) << false << true;
        QTest::newRow("false over default on") << QVariant(false) << true << false;
        QTest::newRow("the word true") << QVariant(QStringLiteral("true")) << false << true;
        QTest::newRow("the word false") << QVariant(QStringLiteral("false")) << true << false;
    }

    void readsOnceAndSavesABool()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, defaultValue);
        QFETCH(bool, shown);
        const QString key = QStringLiteral("ui/show-animations");
        if (stored.isValid())
            QSettings().setValue(key, stored);
        SettingCheckBox box(key, defaultValue, QStringLiteral("Show animations"));
        QCOMPARE(box.isChecked(), shown);
        // Later writes by others are not picked up; nothing is written before save().
        QSettings().setValue(key, !shown);
        QCOMPARE(box.isChecked(), shown);
        QSettings().remove(key);
        box.save();
        QCOMPARE(QSettings().value(key).typeId(), QMetaType::Bool);
        QCOMPARE(QSettings().value(key).toBool(), shown);
    }

    void userTogglesOnlyTheBox()
    {
        SettingCheckBox box(QStringLiteral("updater/enabled"), true, QStringLiteral("Check for updates"));
        box.show();
        QCOMPARE(box.checkBox()->objectName(), QStringLiteral("settingsCheckBox"));
        auto *label = box.findChild<QLabel *>(QStringLiteral("settingsCheckBoxLabel"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Check for updates"));
        QVERIFY(box.checkBox()->text().isEmpty());
        QSignalSpy toggled(&box, &SettingCheckBox::toggled);
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(box.isChecked());
        QTest::mouseClick(box.checkBox(), Qt::LeftButton);
        QVERIFY(!box.isChecked());
        QCOMPARE(toggled.count(), 1);
        QVERIFY(!QSettings().contains(QStringLiteral("updater/enabled")));
        box.save();
        QCOMPARE(QSettings().value(QStringLiteral("updater/enabled")).toBool(), false);
    }

    void disabledGreysOnlyTheBox()
    {
        SettingCheckBox box(QStringLiteral("ui/start-with-window-open"), false, QStringLiteral("Show"));
        box.show();
        box.setEnabled(false);
        QVERIFY(!box.checkBox()->isEnabled());
        QVERIFY(box.findChild<QLabel *>()->isEnabled());
        QTest::mouseClick(box.checkBox(), Qt::LeftButton);
        QVERIFY(!box.isChecked());
        QSignalSpy toggled(&box, &SettingCheckBox::toggled);
        box.setChecked(true);
        box.setChecked(true);
        QCOMPARE(toggled.count(), 1);
        QCOMPARE(toggled.first().first().toBool(), true);
    }

    void twoBoxesOneKeyLastSaveWins()
    {
        const QString key = QStringLiteral("ui/enable-outlook");
        SettingCheckBox first(key, false, QStringLiteral("a"));
        SettingCheckBox second(key, false, QStringLiteral("b"));
        first.setChecked(true);
        first.save();
        second.save();
        QCOMPARE(QSettings().value(key).toBool(), false);
    }
};

PLUMDECK_TEST_MAIN(TstSettingCheckBox)
#include "tst_settingcheckbox.moc"
