#ifndef LOADINGMODEWIDGET_H
#define LOADINGMODEWIDGET_H

#include <QWidget>

class QFrame;
class QVBoxLayout;

// The "Loading..." box that covers the middle of the main window while a page
// switch or a layout change runs. A child of the window outside its layouts.
class LoadingModeWidget : public QWidget
{
    Q_OBJECT
public:
    explicit LoadingModeWidget(QWidget *parent);

public slots:
    // Painted at once, before the long work that follows.
    virtual void onShowLoadingScreen();
    virtual void onHideLoadingScreen();

private:
    QFrame *m_frame;
    QVBoxLayout *m_frameLayout;
};

#endif
