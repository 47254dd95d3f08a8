#include "model/listsgroupselementlist.h"

ListsGroupsElementList::ListsGroupsElementList(QObject *parent)
    : QObject(parent)
{
}
