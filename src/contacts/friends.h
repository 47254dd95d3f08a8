#ifndef FRIENDS_H
#define FRIENDS_H

#include <QObject>

// The friends and friend-request model. Only its life cycle is here so far:
// the models container owns it and deletes it through this destructor.
class Friends : public QObject
{
    Q_OBJECT
public:
    explicit Friends(QObject *parent = nullptr);
    ~Friends() override;
};

#endif
