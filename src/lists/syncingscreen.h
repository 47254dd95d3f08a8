#ifndef SYNCINGSCREEN_H
#define SYNCINGSCREEN_H

#include <QWidget>

class ListModel;
class QFrame;
class QPushButton;
class QVBoxLayout;
class TaskTreeOwner;
class TreeView;

// The overlay a task tree shows in its middle while its list synchronises on
// its own: a picture, "Synchronizing..." and a button that cancels that
// list's synchronisation, over lines saying that editing waits for its end
// and that what is typed meanwhile goes in then.
class SyncingScreen : public QWidget
{
    Q_OBJECT
public:
    SyncingScreen(TaskTreeOwner *ui, TreeView *view, QWidget *parent = nullptr);
    ~SyncingScreen() override;

    // The list whose synchronisation is shown; null while hidden.
    ListModel *model() const { return m_model; }
    QPushButton *cancelButton() const { return m_cancelButton; }

public slots:
    virtual void onShowScreen(ListModel *model);
    virtual void onHideScreen();
    void onCancelPressed();

private:
    TaskTreeOwner *m_ui;
    TreeView *m_view;
    bool m_blueSkin;
    ListModel *m_model = nullptr;
    QFrame *m_frame = nullptr;
    QVBoxLayout *m_frameLayout = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

#endif
