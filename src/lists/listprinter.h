#ifndef LISTPRINTER_H
#define LISTPRINTER_H

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QStringList>

class ListModel;
class QPainter;
class QPrinter;
class QWidget;
class Task;

// Lays out and draws one task list on paper: a framed header with the
// list's name, the program's name and the date; a framed body with one
// bulleted row per line of every task's title, indented by depth, with note,
// alarm and priority icons and done tasks struck through and checked; a
// framed footer with the page number. The print command runs the printer's
// dialog and then print().
class ListPrinter
{
    Q_DECLARE_TR_FUNCTIONS(ListPrinter)

public:
    // One printed line: a piece of a task's title with the task's marks.
    struct PrintRow
    {
        QString text;
        int level = 1;
        bool done = false;
        bool firstLine = false;
        bool lastLine = false;
        int priority = 0;
        bool hasAlarm = false;
        bool hasNote = false;
    };

    // Lays the list out on pages of `pageSize` (device pixels), measured with
    // `metrics` (the print font on the target device).
    ListPrinter(const ListModel *list, const QSize &pageSize, const QFontMetrics &metrics);

    static QFont printFont();

    // Prints every page on the printer as it is set up; false when the
    // printer could not be painted on. A list without tasks prints nothing.
    static bool print(QPrinter *printer, const ListModel *list);
    // The print command's job: the printer's dialog over `parent`, then
    // every page (whatever range the dialog offers); false when cancelled,
    // or when printing failed (the user is told).
    static bool printWithDialog(const ListModel *list, QWidget *parent);

    int pageCount() const;
    int rowsPerPage() const { return m_rowsPerPage; }
    QList<PrintRow> rows() const { return m_rows; }
    // Draws page `page` (from 1) with the print font set on the painter.
    void drawPage(QPainter *painter, int page) const;

    static void collectRows(QList<PrintRow> &rows, const Task *parent, int level, const QFontMetrics &metrics,
                            int width1, int width2, int width3);
    static QStringList wrapText(const QString &text, const QFontMetrics &metrics, int width, bool done, bool alarm,
                                bool note, int priority);

private:
    void drawRow(QPainter *painter, const PrintRow &row, int y) const;

    QString m_name;
    QString m_date;
    QFontMetrics m_metrics;
    int m_width;
    int m_height;
    int m_lineHeight;
    int m_indent;
    int m_bodyHeight;
    int m_rowsPerPage;
    QList<PrintRow> m_rows;
    QPixmap m_note;
    QPixmap m_alarm;
    QPixmap m_urgent;
    QPixmap m_reminder;
    QPixmap m_check;
};

#endif
