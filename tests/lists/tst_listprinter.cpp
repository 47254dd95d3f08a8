#include "core/clock.h"
#include "dialogdriver.h"
#include "lists/listprinter.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "testenvironment.h"

#include <QFontDatabase>
#include <QPdfDocument>
#include <QPainter>
#include <QPdfSelection>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace {

// A list of top-level tasks titled "Task 1", "Task 2", ...
// A model leaves its list to the list's owner: this one takes it along.
struct OwningModel : ListModel
{
    using ListModel::ListModel;
    ~OwningModel() override { delete taskList(); }
};

std::unique_ptr<ListModel> listOf(int tasks)
{
    auto list = new TaskList;
    list->setName(QStringLiteral("Groceries"));
    for (int i = 0; i < tasks; ++i)
        list->rootTask()->createChild(i)->setTitle(QStringLiteral("Task %1").arg(i + 1));
    return std::make_unique<OwningModel>(list);
}

// A fixed-pitch font whose characters, the blank included, are 6 pixels
// wide: the first of the usual ones the machine has, at the size that gives
// that. None when no font does.
std::optional<QFont> sixPixelCells()
{
    const QStringList families{QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                               QFontDatabase::systemFont(QFontDatabase::FixedFont).family(),
                               QStringLiteral("monospace")};
    for (const QString &family : families) {
        for (int pixels = 8; pixels <= 12; ++pixels) {
            QFont font(family);
            font.setStyleHint(QFont::Monospace);
            font.setPixelSize(pixels);
            const QFontMetrics metrics(font);
            if (metrics.horizontalAdvance(QStringLiteral("bbbbbbbbbb")) == 60
                && metrics.horizontalAdvance(QStringLiteral("aa  bb")) == 36
                && metrics.horizontalAdvance(QStringLiteral(" ")) == 6)
                return font;
        }
    }
    return std::nullopt;
}

struct Printed
{
    QTemporaryDir dir;
    QPdfDocument pdf;
    int rowsPerPage = 0;

    // Prints the list to a PDF on pages of `size` (no margins) and reads it.
    Printed(const ListModel *list, const QPageSize &size)
    {
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("list.pdf")));
        printer.setPageSize(size);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QVERIFY(ListPrinter::print(&printer, list));
        QFontMetrics metrics(ListPrinter::printFont(), &printer);
        rowsPerPage = ListPrinter(list, printer.pageRect(QPrinter::DevicePixel).size().toSize(), metrics).rowsPerPage();
        QCOMPARE(pdf.load(dir.filePath(QStringLiteral("list.pdf"))), QPdfDocument::Error::None);
    }

    QString text(int page) { return pdf.getAllText(page).text().simplified(); }
};

} // namespace

class TstListPrinter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Clock::setFixedTime(QDateTime(QDate(2024, 3, 9), QTime(14, 5, 7)));
    }

    void pages_data()
    {
        QTest::addColumn<int>("extra"); // tasks beyond one full page
        QTest::newRow("one full page") << 0;
        QTest::newRow("one row more") << 1;
    }

    void pages()
    {
        QFETCH(int, extra);
        const int perPage = Printed(listOf(1).get(), QPageSize(QPageSize::A5)).rowsPerPage;
        QVERIFY(perPage > 5);
        Printed printed(listOf(perPage + extra).get(), QPageSize(QPageSize::A5));
        const int pages = extra ? 2 : 1;
        QCOMPARE(printed.pdf.pageCount(), pages);
        for (int page = 0; page < pages; ++page) {
            const QString text = printed.text(page);
            QVERIFY2(text.contains(QStringLiteral("page %1 of %2").arg(page + 1).arg(pages)), qPrintable(text));
            QVERIFY(text.contains(QLatin1String("Groceries")) && text.contains(QLatin1String("Plumdeck"))
                    && text.contains(QLatin1String("09 Mar 2024 14:05:07")));
            QList<int> tasks;
            auto found = QRegularExpression(QStringLiteral("Task (\\d+)")).globalMatch(text);
            while (found.hasNext())
                tasks << found.next().captured(1).toInt();
            std::sort(tasks.begin(), tasks.end());
            QList<int> expected;
            for (int t = page * perPage + 1; t <= qMin((page + 1) * perPage, perPage + extra); ++t)
                expected << t;
            QCOMPARE(tasks, expected);
        }
    }

    void pageShorterThanARow()
    {
        Printed printed(listOf(3).get(), QPageSize(QSizeF(60, 30), QPageSize::Millimeter));
        QCOMPARE(printed.rowsPerPage, 1);
        QCOMPARE(printed.pdf.pageCount(), 3);
        QVERIFY(printed.text(2).contains(QLatin1String("page 3 of 3")));
    }

    void cancelledDialogPrintsNothing()
    {
        bool asked = false;
        DialogDriver::whenModal([&asked](QWidget *dialog) {
            asked = qobject_cast<QPrintDialog *>(dialog);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QVERIFY(!ListPrinter::printWithDialog(listOf(1).get(), nullptr));
        QVERIFY(asked);
    }

    void emptyListDrawsNothing()
    {
        Printed printed(listOf(0).get(), QPageSize(QPageSize::A5));
        QCOMPARE(printed.text(0), QString());
    }

    // The icons of a task's first row, from the right edge inwards.
    void icons_data()
    {
        QTest::addColumn<int>("priority");
        QTest::addColumn<bool>("alarm");
        QTest::addColumn<bool>("note");
        QTest::addColumn<QString>("painted"); // "1" where a slot is painted, right to left
        QTest::addColumn<int>("pixelSize");   // of the font laid out and drawn with; 0: the print font
        QTest::newRow("all three") << 2 << true << true << "111" << 0;
        QTest::newRow("reminder alone") << 1 << false << false << "100" << 0;
        QTest::newRow("alarm and urgent") << 2 << true << false << "110" << 0;
        QTest::newRow("unknown priority") << 3 << false << false << "000" << 0;
        // The first row moves down with a taller font, whatever font the
        // machine would use by default.
        QTest::newRow("all three, tall font") << 2 << true << true << "111" << 40;
        QTest::newRow("reminder alone, tall font") << 1 << false << false << "100" << 40;
    }

    void icons()
    {
        QFETCH(int, priority);
        QFETCH(bool, alarm);
        QFETCH(bool, note);
        QFETCH(QString, painted);
        QFETCH(int, pixelSize);
        std::unique_ptr<ListModel> list = listOf(1);
        Task *task = list->taskList()->rootTask()->child(0);
        task->setPriority(TaskPriority(priority));
        if (alarm)
            task->setAlarmTime(QDateTime::currentDateTimeUtc());
        if (note)
            task->setNote(QDateTime::currentDateTimeUtc(), QStringLiteral("ripe"));
        QImage page(QSize(400, 300), QImage::Format_RGB32);
        page.fill(Qt::white);
        QFont font = ListPrinter::printFont();
        if (pixelSize)
            font.setPixelSize(pixelSize);
        // Measured on the page itself, as print() measures on the printer.
        const QFontMetrics metrics(font, &page);
        QPainter painter(&page);
        painter.setFont(font);
        ListPrinter(list.get(), page.size(), metrics).drawPage(&painter, 1);
        painter.end();
        const int y = metrics.height() + 50 + 6;
        QString seen;
        for (int slot = 0; slot < 3; ++slot) {
            const QImage icon = page.copy(400 - 47 - 15 * slot, y, 12, 12);
            bool white = true;
            for (int i = 0; i < 12 * 12; ++i)
                white = white && icon.pixelColor(i % 12, i / 12) == Qt::white;
            seen += white ? QLatin1Char('0') : QLatin1Char('1');
        }
        QCOMPARE(seen, painted);
    }

    void rows_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("done");
        QTest::addColumn<int>("priority");
        QTest::addColumn<bool>("marks"); // alarm and note
        QTest::addColumn<int>("room");   // pixels; each character is 6 (see rows())
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("fits") << "aa bb cc" << false << 0 << false << 48 << QStringList{"aa bb cc"};
        QTest::newRow("blank not counted") << "aa bb cc" << false << 0 << false << 42 << QStringList{"aa bb cc"};
        QTest::newRow("wraps") << "aa bb cc" << false << 0 << false << 41 << QStringList{"aa bb", "cc"};
        // 8 + 9 per mark off the first line only: 53 - 35 = 18 there.
        QTest::newRow("marks narrow the first line") << "aa bb cc dd" << false << 2 << true << 53
                                                     << QStringList{"aa", "bb cc dd"};
        QTest::newRow("priority alone") << "aa bb" << false << 1 << false << 40 << QStringList{"aa", "bb"};
        // The check mark after a done task's last word takes 15.
        QTest::newRow("no room for the check mark") << "aa bb" << true << 0 << false << 38 << QStringList{"aa", "bb"};
        QTest::newRow("room for the check mark") << "aa bb" << true << 0 << false << 39 << QStringList{"aa bb"};
        QTest::newRow("long word alone") << "aa bbbbbbbbbb cc" << false << 0 << false << 24
                                         << QStringList{"aa", "bbbbbbbbbb", "cc"};
        QTest::newRow("double blank kept") << "aa  bb" << false << 0 << false << 54 << QStringList{"aa  bb"};
    }

    void rows()
    {
        QFETCH(QString, title);
        QFETCH(bool, done);
        QFETCH(int, priority);
        QFETCH(bool, marks);
        QFETCH(int, room);
        QFETCH(QStringList, lines);
        const std::optional<QFont> font = sixPixelCells();
        if (!font)
            QSKIP("no fixed-pitch font on this machine draws 6-pixel characters");
        const QFontMetrics metrics(*font);
        QCOMPARE(metrics.horizontalAdvance(QStringLiteral("bbbbbbbbbb")), 60);
        QCOMPARE(metrics.horizontalAdvance(QStringLiteral("aa bb")), 30);
        QCOMPARE(ListPrinter::wrapText(title, metrics, room, done, marks, marks, priority), lines);
    }

    void collectedRows()
    {
        TaskList list;
        Task *first = list.rootTask()->createChild(0);
        first->setTitle(QStringLiteral("Plums and pears"));
        first->setDone(true);
        first->setPriority(TaskPriority(7)); // unknown: printed as none
        first->setNote(QDateTime::currentDateTimeUtc(), QStringLiteral("ripe"));
        Task *sub = first->createChild(0);
        sub->setTitle(QStringLiteral("Pears"));
        sub->setPriority(TaskPriority(TaskPriority::Urgent));
        sub->setAlarmTime(QDateTime::currentDateTimeUtc());
        sub->createChild(0)->createChild(0)->setTitle(QStringLiteral("Deep"));
        QList<ListPrinter::PrintRow> rows;
        const QFontMetrics metrics{QFont()};
        ListPrinter::collectRows(rows, list.rootTask(), 1, metrics, 1000, metrics.horizontalAdvance(QStringLiteral("Pears")), 1000);
        QStringList seen;
        for (const ListPrinter::PrintRow &r : rows)
            seen << QStringLiteral("%1:%2:%3%4%5%6%7%8").arg(r.level).arg(r.text).arg(r.done).arg(r.firstLine)
                        .arg(r.lastLine).arg(r.priority).arg(r.hasAlarm).arg(r.hasNote);
        QCOMPARE(seen, (QStringList{"1:Plums and pears:111001", "2:Pears:011210", "3::011000", "4:Deep:011000"}));
    }
};

PLUMDECK_TEST_MAIN(TstListPrinter)
#include "tst_listprinter.moc"
