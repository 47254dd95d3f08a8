#ifndef TOOLBUTTON_H
#define TOOLBUTTON_H

#include <QToolButton>

class QAction;

// Image button: ":/<name>.png", with ":/<name>-active.png" under the mouse when
// that resource exists. It never takes the keyboard focus and looks the same
// when disabled.
class ToolButton : public QToolButton
{
    Q_OBJECT
public:
    explicit ToolButton(const QString &imageName, QWidget *parent = nullptr);

    void setImage(const QString &imageName);

    // Binds a command to the button without changing the button's image: the
    // action takes the button's icon and replaces any earlier default action.
    void setDefaultActionKeepIcon(QAction *action);

    static QIcon iconForImage(const QString &imageName, QSize *size = nullptr);
};

#endif
