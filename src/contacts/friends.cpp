#include "contacts/friends.h"

Friends::Friends(QObject *parent)
    : QObject(parent)
{
}

Friends::~Friends() = default;
