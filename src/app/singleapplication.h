#ifndef SINGLEAPPLICATION_H
#define SINGLEAPPLICATION_H

#include <QApplication>
#include <QPointer>
#include <QWidget>


// The program's application object; it knows the main window so that a
// later instance can bring it forward.
class SingleApplication : public QApplication
{
    Q_OBJECT

public:
    SingleApplication(int &argc, char **argv);

    void setMainWindow(QWidget *window) { m_mainWindow = window; }
    QWidget *mainWindow() const { return m_mainWindow; }
    // Activates and raises the main window; restores it when minimised,
    // otherwise shows it (also out of the tray).
    void activateMainWindow();

    // False here; the marker form looks for an earlier instance.
    virtual bool isAnotherInstanceRunning();

private:
    QPointer<QWidget> m_mainWindow;
};

#endif
