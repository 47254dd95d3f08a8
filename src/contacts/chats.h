#ifndef CHATS_H
#define CHATS_H

#include <QObject>

// The model of the current chats. Only its life cycle is here so far: the
// models container owns it and deletes it through this destructor.
class Chats : public QObject
{
    Q_OBJECT
public:
    explicit Chats(QObject *parent = nullptr);
    ~Chats() override;
};

#endif
