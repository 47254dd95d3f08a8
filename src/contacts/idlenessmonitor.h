#ifndef IDLENESSMONITOR_H
#define IDLENESSMONITOR_H

#include <QObject>

// Answers how long the user has not touched keyboard or mouse. The base
// knows no input time and never reports idle; createInstance() picks the
// platform's way.
class IdlenessMonitor : public QObject
{
    Q_OBJECT
public:
    // More idle seconds than this count as idle.
    static const int idleThresholdSeconds = 300;

    ~IdlenessMonitor() override;

    // The X screen-saver extension on X11, else the last input event the
    // program saw. Replaces an earlier instance.
    static void createInstance();
    static IdlenessMonitor *instance();
    // Takes ownership; for tests and other platforms.
    static void setInstance(IdlenessMonitor *monitor);

    virtual int idleSeconds() const;
    bool isIdle() const { return idleSeconds() > idleThresholdSeconds; }

protected:
    IdlenessMonitor() = default;

private:
    static IdlenessMonitor *s_instance;
};

#endif
