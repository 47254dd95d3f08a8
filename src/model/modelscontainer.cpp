#include "model/modelscontainer.h"

ModelsContainer *ModelsContainer::s_instance = nullptr;

ModelsContainer::ModelsContainer(QObject *parent)
    : QObject(parent)
{
}

ModelsContainer::~ModelsContainer()
{
    // A container deleted through its parent must not leave the instance
    // pointer dangling for the next create() or destroy().
    if (s_instance == this)
        s_instance = nullptr;
}

ModelsContainer *ModelsContainer::create(QObject *parent)
{
    if (s_instance)
        destroy();
    s_instance = new ModelsContainer(parent);
    return s_instance;
}

ModelsContainer *ModelsContainer::instance(QObject *parent)
{
    if (!s_instance)
        s_instance = new ModelsContainer(parent);
    return s_instance;
}

void ModelsContainer::destroy()
{
    delete s_instance;
    s_instance = nullptr;
}
