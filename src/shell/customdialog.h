#ifndef CUSTOMDIALOG_H
#define CUSTOMDIALOG_H

#include <QDialog>

class CustomWindowEventFilter;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLayout;
class QPushButton;
class QVBoxLayout;
class ToolButton;

// Base of every dialog of the program: a frameless window drawing its own
// frame (title bar with icon, title, close and optional minimise button; the
// subclass's content; a bottom row of buttons). A movable dialog is moved and
// resized by mouse; a docked dialog hides its frame controls.
class CustomDialog : public QDialog
{
    Q_OBJECT
public:
    CustomDialog(const QString &title, bool okButton, bool cancelButton, bool movable,
                 QWidget *parent = nullptr);
    CustomDialog(const QString &title, bool okButton, bool cancelButton, QWidget *parent = nullptr);
    explicit CustomDialog(const QString &title, QWidget *parent = nullptr);

    void setTitle(const QString &title);
    void setTitleIcon(const QString &imagePath);

    // Content with 10 px margins and spacing, between title bar and buttons.
    void setContentLayout(QLayout *content);
    // Content inserted as it is, for dialogs that draw edge to edge.
    void setBareContentLayout(QLayout *content);

    QHBoxLayout *buttonsLayout() const { return m_buttonsLayout; }
    void addOkButton(const QString &text);
    void addCancelButton(const QString &text);
    // The buttons of a dialog over a value its opener owns: "Delete" when
    // editable and a value is set (returned, else null), "Close" always,
    // "Save" when editable.
    QPushButton *addValueButtons(bool editable, bool hasValue);
    void setOkButtonText(const QString &text);
    void hideCancelButton();
    void showCloseButton();
    void hideCloseButton();
    void addMinimizeButton();
    void addResizeGrip();
    void addResizeGrip(const QString &imagePath);

    void setCenterOnParent(bool center);
    bool frameControlsHidden() const { return m_frameControlsHidden; }
    void minimize();

    virtual void hideFrameControls();
    virtual void showFrameControls();
    // Shows and raises the dialog, then runs it modally.
    int exec() override;

    // Section frames ("generalSectionFrame") appended to a parent layout;
    // each returns the layout the caller fills.
    QVBoxLayout *createSectionFrame(QLayout *parent);
    QVBoxLayout *createSection(QLayout *parent, const QString &title);
    QVBoxLayout *createCenteredSection(QLayout *parent, const QString &title);

    // For tests and subclasses that style themselves.
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    ToolButton *closeButton() const { return m_closeButton; }
    QLabel *titleLabel() const { return m_titleLabel; }
    QLabel *resizeGrip() const { return m_resizeGrip; }
    CustomWindowEventFilter *moveResizeFilter() const { return m_eventFilter; }

signals:
    void titleBarDoubleClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildFrame(const QString &title, bool okButton, bool cancelButton, bool movable);

    QFrame *m_container = nullptr;
    QVBoxLayout *m_containerLayout = nullptr;
    QHBoxLayout *m_titleBarLayout = nullptr;
    QLabel *m_titleLabel = nullptr;
    QHBoxLayout *m_buttonsLayout = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QLabel *m_resizeGrip = nullptr;
    ToolButton *m_titleIconButton = nullptr;
    ToolButton *m_closeButton = nullptr;
    CustomWindowEventFilter *m_eventFilter = nullptr;
    bool m_centerOnParent = false;
    bool m_firstShow = true;
    bool m_frameControlsHidden = false;
};

#endif
