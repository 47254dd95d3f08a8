#ifndef CONNECTIONICON_H
#define CONNECTIONICON_H

#include <QLabel>

// The main window's title-bar picture of whether the event connection is up.
class ConnectionIcon : public QLabel
{
    Q_OBJECT
public:
    explicit ConnectionIcon(QWidget *parent = nullptr);

    static QString imagePath(bool connected, bool blue);

public slots:
    void onConnected();
    void onDisconnected();
    void updateIcon();
};

#endif
