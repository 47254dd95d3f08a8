#ifndef INPUTIDLENESSMONITOR_H
#define INPUTIDLENESSMONITOR_H

#include "contacts/idlenessmonitor.h"

// Where the system does not tell the time of the last input: the time of the
// last keyboard or mouse event the program itself received, read through the
// program's clock. Counts from its creation until the first input.
class InputIdlenessMonitor : public IdlenessMonitor
{
    Q_OBJECT
public:
    // Watches the application's events; the toolkit drops a destroyed filter.
    InputIdlenessMonitor();

    int idleSeconds() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    qint64 m_lastInputMs;
};

#endif
