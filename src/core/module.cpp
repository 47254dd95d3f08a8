#include "core/module.h"

namespace {
QList<Module *> &moduleList()
{
    static QList<Module *> list;
    return list;
}
} // namespace

Module::Module()
{
    registerModule(this);
}

Module::~Module()
{
    unregisterModule(this);
}

QList<Module *> Module::modules()
{
    return moduleList();
}

void Module::registerModule(Module *module)
{
    moduleList().append(module);
}

void Module::unregisterModule(Module *module)
{
    moduleList().removeAll(module);
}
