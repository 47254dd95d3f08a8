#ifndef DATEWIDGET_H
#define DATEWIDGET_H

#include <QDate>
#include <QLabel>

class QCalendarWidget;
class QFrame;
class QPushButton;

// A local date shown as a label; a click opens a calendar pop-up with
// "Today" and "Tomorrow". Any change of the calendar's selection takes the
// date and closes the pop-up.
class DateWidget : public QLabel
{
    Q_OBJECT
public:
    explicit DateWidget(const QDate &date, QWidget *parent = nullptr);
    ~DateWidget() override;

    QDate date() const { return m_date; }
    void setDate(const QDate &date);

    QFrame *popup() const { return m_popup; }
    QCalendarWidget *calendar() const { return m_calendar; }
    QPushButton *todayButton() const { return m_todayButton; }
    QPushButton *tomorrowButton() const { return m_tomorrowButton; }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private slots:
    void onCalendarSelectionChanged();
    void onCalendarActivated();
    void onCalendarClick(const QDate &date);
    void onTodayButtonClick();
    void onTomorrowButtonClick();

private:
    void updateText();

    QDate m_date;
    QCalendarWidget *m_calendar;
    QPushButton *m_todayButton;
    QPushButton *m_tomorrowButton;
    QFrame *m_popup;
};

#endif
