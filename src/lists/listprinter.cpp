#include "lists/listprinter.h"

#include "core/clock.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "shell/messagedialog.h"

#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>

namespace {

const QColor grey(100, 100, 100);
const QColor black(0, 0, 0);

} // namespace

ListPrinter::ListPrinter(const ListModel *list, const QSize &pageSize, const QFontMetrics &metrics)
    : m_name(list->name())
    , m_date(Clock::currentDateTime().toString(QStringLiteral("dd MMM yyyy hh:mm:ss")))
    , m_metrics(metrics)
    , m_width(pageSize.width())
    , m_height(pageSize.height())
    , m_lineHeight(metrics.height())
    , m_indent(metrics.horizontalAdvance(QStringLiteral("    ")))
    , m_note(QStringLiteral(":/note.png"))
    , m_alarm(QStringLiteral(":/red-clock.png"))
    , m_urgent(QStringLiteral(":/priority-red.png"))
    , m_reminder(QStringLiteral(":/priority-green.png"))
    , m_check(QStringLiteral(":/check.png"))
{
    collectRows(m_rows, list->taskList()->rootTask(), 1, metrics, m_width - 98, m_width - 98 - m_indent,
                m_width - 98 - 2 * m_indent);
    m_bodyHeight = m_height - 60 - (2 * m_lineHeight + 12) - 28;
    // A page too short for one row still takes one, rather than none (and
    // no page count at all).
    m_rowsPerPage = qMax(1, m_bodyHeight / (m_lineHeight + 6));
}

QFont ListPrinter::printFont()
{
    return QFont(QStringLiteral("Helvetica"), 11);
}

int ListPrinter::pageCount() const
{
    return (int(m_rows.size()) + m_rowsPerPage - 1) / m_rowsPerPage;
}

bool ListPrinter::print(QPrinter *printer, const ListModel *list)
{
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    painter.setFont(printFont());
    const ListPrinter layout(list, printer->pageRect(QPrinter::DevicePixel).size().toSize(), painter.fontMetrics());
    const int pages = layout.pageCount();
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            printer->newPage();
        layout.drawPage(&painter, page);
    }
    return painter.end();
}

bool ListPrinter::printWithDialog(const ListModel *list, QWidget *parent)
{
    // The list may go while the dialog is open (a synchronisation).
    const QPointer<const ListModel> alive(list);
    QPrinter printer(QPrinter::ScreenResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted || !alive)
        return false;
    if (print(&printer, list))
        return true;
    // The printer or its output file could not be opened: say so, as a
    // failed export does.
    MessageDialog::information(tr("Print list"), tr("Could not print the list"), parent);
    return false;
}

void ListPrinter::drawPage(QPainter *painter, int page) const
{
    const int w = m_width;
    const int h = m_height;
    const int l = m_lineHeight;
    painter->setBrush(Qt::NoBrush);

    painter->setPen(QPen(grey, 1));
    painter->drawRect(30, 30, w - 60, l + 6);
    painter->setPen(QPen(black, 1));
    painter->drawText(QRect(30, 33, w - 60, l), Qt::AlignCenter, m_name);
    painter->drawText(QRect(42, 33, w - 60, l), Qt::AlignLeft, QStringLiteral(" Plumdeck"));
    painter->drawText(QRect(30, 33, w - 72, l), Qt::AlignRight, m_date);

    const QRect footer(30, h - 30 - l - 6, w - 60, l + 6);
    painter->setPen(QPen(grey, 1));
    painter->drawRect(footer);
    painter->setPen(QPen(black, 1));
    painter->drawText(footer, Qt::AlignCenter, QStringLiteral("page %1 of %2").arg(page).arg(pageCount()));

    painter->drawRect(30, l + 50, w - 60, m_bodyHeight);

    int y = l + 50;
    const int first = (page - 1) * m_rowsPerPage;
    for (int i = first; i < m_rows.size() && i < first + m_rowsPerPage; ++i) {
        drawRow(painter, m_rows.at(i), y);
        y += l + 6;
    }
}

void ListPrinter::drawRow(QPainter *painter, const PrintRow &row, int y) const
{
    const int l = m_lineHeight;
    const int x0 = 56 + (row.level - 1) * m_indent;
    const int textWidth = m_metrics.horizontalAdvance(row.text);
    if (row.firstLine) {
        painter->setPen(QPen(grey, 1));
        painter->setBrush(grey);
        painter->drawEllipse(42 + (row.level - 1) * m_indent, y + 8, 7, 7);
        int x = m_width - 47;
        const auto icon = [&](const QPixmap &pixmap) {
            painter->drawPixmap(QRect(x, y + 6, 12, 12), pixmap);
            x -= 15;
        };
        if (row.hasNote)
            icon(m_note);
        if (row.hasAlarm)
            icon(m_alarm);
        if (row.priority == 1)
            icon(m_reminder);
        else if (row.priority == 2)
            icon(m_urgent);
    }
    painter->setPen(QPen(black, 1));
    painter->setBrush(black);
    painter->drawText(QRect(x0, y + 3, m_width - 60, l), Qt::AlignLeft, row.text);
    if (row.lastLine) {
        if (row.done)
            painter->drawPixmap(QRect(x0 + textWidth + 3, y + 6, 12, 12), m_check);
        painter->setPen(QPen(grey, 1));
        painter->setBrush(grey);
        painter->drawLine(30, y + l + 6, m_width - 30, y + l + 6);
    }
    if (row.done) {
        painter->setPen(QPen(black, 1));
        painter->drawLine(x0, y + l / 2 + 3, x0 + textWidth, y + l / 2 + 3);
    }
    painter->setBrush(Qt::NoBrush);
}

void ListPrinter::collectRows(QList<PrintRow> &rows, const Task *parent, int level, const QFontMetrics &metrics,
                              int width1, int width2, int width3)
{
    const int width = level == 1 ? width1 : level == 2 ? width2 : width3;
    const QList<Task *> children = parent->children();
    for (const Task *task : children) {
        PrintRow row;
        row.level = level;
        row.done = task->isDone();
        row.priority = task->priority().value();
        if (row.priority < 0 || row.priority > 2)
            row.priority = 0;
        row.hasAlarm = task->hasAlarm();
        row.hasNote = task->hasNote();
        const QStringList lines =
            wrapText(task->title(), metrics, width, row.done, row.hasAlarm, row.hasNote, row.priority);
        for (int i = 0; i < lines.size(); ++i) {
            row.text = lines.at(i);
            row.firstLine = i == 0;
            row.lastLine = i == lines.size() - 1;
            rows.append(row);
        }
        collectRows(rows, task, level + 1, metrics, width1, width2, width3);
    }
}

QStringList ListPrinter::wrapText(const QString &text, const QFontMetrics &metrics, int width, bool done,
                                  bool alarm, bool note, int priority)
{
    const QStringList words = text.split(QLatin1Char(' '));
    QStringList lines;
    QString current = words.first();
    const int icons = (alarm ? 1 : 0) + (note ? 1 : 0) + (priority != 0 ? 1 : 0);
    int room = width - (icons > 0 ? 8 : 0) - 9 * icons;
    for (int i = 1; i < words.size(); ++i) {
        const QString &word = words.at(i);
        // The check mark after a done task's last word takes 3 + 12 pixels.
        const int needed = metrics.horizontalAdvance(word) + metrics.horizontalAdvance(current)
            + (done && i == words.size() - 1 ? 15 : 0);
        if (needed > room) {
            lines.append(current);
            current = word;
            room = width;
        } else {
            current += QLatin1Char(' ') + word;
        }
    }
    lines.append(current);
    return lines;
}
