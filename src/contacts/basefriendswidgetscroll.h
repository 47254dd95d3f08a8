#ifndef BASEFRIENDSWIDGETSCROLL_H
#define BASEFRIENDSWIDGETSCROLL_H

#include <QScrollArea>

// The scroll area of a user picker; tells when its vertical scroll bar
// appears or goes, so that the search overlay can follow.
class BaseFriendsWidgetScroll : public QScrollArea
{
    Q_OBJECT
public:
    explicit BaseFriendsWidgetScroll(QWidget *parent = nullptr);

    bool isVerticalScrollBarVisible() const;

signals:
    void scrollChangesToVisible();
    void scrollChangesToHidden();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool m_scrollBarShown = false;
};

#endif
