#ifndef CUSTOMWINDOW_H
#define CUSTOMWINDOW_H

#include <QWidget>

class QAction;
class QHBoxLayout;
class QLayout;
class QVBoxLayout;
class ToolButton;

// Base of the main window: a frameless top-level window with its own border
// and title strip (help and preferences buttons at the left; minimise,
// maximise/restore and close at the right). Moved and resized by mouse through
// CustomWindowEventFilter; a double click toggles maximised and normal.
class CustomWindow : public QWidget
{
    Q_OBJECT
public:
    CustomWindow();

    // Appended below the title strip and below earlier content.
    void setContentLayout(QLayout *layout);
    // The widget that holds the content layouts: content widgets made inside
    // it from the start are never moved between parents when laid out.
    QWidget *contentArea() const;
    void setPreferencesAction(QAction *action);
    void setHelpAction(QAction *action);
    // Inserted just right of the preferences button: later widgets stand left
    // of earlier ones.
    void addTitleBarWidget(QWidget *widget);
    void updateMaximizeButton();

    ToolButton *helpButton() const { return m_helpButton; }
    ToolButton *prefsButton() const { return m_prefsButton; }
    ToolButton *minimizeButton() const { return m_minimizeButton; }
    ToolButton *maximizeButton() const { return m_maximizeButton; }
    ToolButton *closeButton() const { return m_closeButton; }

protected slots:
    virtual void onMinimizeButtonClicked();

private slots:
    void onMaximizeButtonClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QVBoxLayout *m_frameLayout = nullptr;
    QHBoxLayout *m_titleBarLayout = nullptr;
    ToolButton *m_helpButton = nullptr;
    ToolButton *m_minimizeButton = nullptr;
    ToolButton *m_maximizeButton = nullptr;
    ToolButton *m_closeButton = nullptr;
    ToolButton *m_prefsButton = nullptr;
};

#endif
