#include "contacts/chats.h"

Chats::Chats(QObject *parent)
    : QObject(parent)
{
}

Chats::~Chats() = default;
