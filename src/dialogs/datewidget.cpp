#include "dialogs/datewidget.h"

#include "core/clock.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QHBoxLayout>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <utility>

DateWidget::DateWidget(const QDate &date, QWidget *parent)
    : QLabel(parent)
    , m_date(date)
{
    // The pop-up is a window of its own; the destructor releases it.
    m_popup = new QFrame(nullptr, Qt::Popup);
    m_popup->setObjectName(QStringLiteral("calendarcontainer"));
    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(0, 0, 0, 0);
    m_calendar = new QCalendarWidget;
    if (date.isValid())
        m_calendar->setSelectedDate(date);
    layout->addWidget(m_calendar);
    // The calendar's month arrows and day grid carry no names of their own.
    const std::pair<const char *, QString> parts[] = {{"qt_calendar_prevmonth", tr("Previous month")},
                                                      {"qt_calendar_nextmonth", tr("Next month")},
                                                      {"qt_calendar_calendarview", tr("Days")}};
    for (const auto &[objectName, name] : parts) {
        if (QWidget *part = m_calendar->findChild<QWidget *>(QLatin1String(objectName)))
            part->setAccessibleName(name);
    }
    auto *buttons = new QHBoxLayout;
    buttons->setObjectName(QStringLiteral("buttonslayout"));
    m_todayButton = new QPushButton(tr("Today"));
    m_tomorrowButton = new QPushButton(tr("Tomorrow"));
    buttons->addWidget(m_todayButton);
    buttons->addWidget(m_tomorrowButton);
    layout->addLayout(buttons);

    connect(m_calendar, &QCalendarWidget::selectionChanged, this, &DateWidget::onCalendarSelectionChanged);
    connect(m_calendar, &QCalendarWidget::activated, this, &DateWidget::onCalendarActivated);
    connect(m_calendar, &QCalendarWidget::clicked, this, &DateWidget::onCalendarClick);
    connect(m_todayButton, &QPushButton::clicked, this, &DateWidget::onTodayButtonClick);
    connect(m_tomorrowButton, &QPushButton::clicked, this, &DateWidget::onTomorrowButtonClick);
    updateText();
    m_calendar->showSelectedDate();
}

DateWidget::~DateWidget()
{
    delete m_popup;
}

void DateWidget::setDate(const QDate &date)
{
    // Compared with the value, not the calendar: after "Today" or
    // "Tomorrow" the two differ, and the new date must still be taken.
    if (date == m_date)
        return;
    m_date = date;
    if (date.isValid()) {
        const QSignalBlocker blocker(m_calendar);
        m_calendar->setSelectedDate(date);
    }
    updateText();
}

void DateWidget::updateText()
{
    const QLocale locale;
    setText(locale.toString(m_date, QStringLiteral("ddd ") + locale.dateFormat(QLocale::ShortFormat)));
}

void DateWidget::mousePressEvent(QMouseEvent *event)
{
    m_popup->move(mapToGlobal(rect().bottomLeft()));
    m_popup->show();
    event->accept();
}

void DateWidget::onCalendarClick(const QDate &date)
{
    if (date != m_date) {
        m_date = date;
        updateText();
    }
    m_popup->close();
}

void DateWidget::onCalendarSelectionChanged()
{
    const QDate selected = m_calendar->selectedDate();
    if (selected != m_date) {
        m_date = selected;
        updateText();
    }
    m_popup->close();
}

void DateWidget::onCalendarActivated()
{
    onCalendarSelectionChanged();
    m_popup->close();
}

void DateWidget::onTodayButtonClick()
{
    onCalendarClick(Clock::currentDateTime().date());
}

void DateWidget::onTomorrowButtonClick()
{
    onCalendarClick(Clock::currentDateTime().date().addDays(1));
}
