#ifndef LINKLABEL_H
#define LINKLABEL_H

#include <QLabel>

// A label showing one link drawn like plain text (black, no underline).
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    // In-page link: a click calls `member` of `receiver`; the pointer turns
    // into a hand over the link.
    LinkLabel(const QString &text, const QObject *receiver, const char *member, QWidget *parent = nullptr);
    // External link, opened with the system's handler.
    LinkLabel(const QString &text, const QString &url, QWidget *parent = nullptr);

private slots:
    void onLinkHovered(const QString &link);
};

#endif
