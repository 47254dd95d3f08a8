#ifndef MODULE_H
#define MODULE_H

#include <QList>

class QAction;

// An optional feature that adds commands to the application (the tray menu
// asks every registered module for its actions). A module is registered from
// the end of its construction to the start of its destruction.
class Module
{
public:
    Module();
    virtual ~Module();

    // The module keeps ownership of its actions.
    virtual QList<QAction *> actions() = 0;

    // A copy of the registered modules, in registration order.
    static QList<Module *> modules();

private:
    static void registerModule(Module *module);
    static void unregisterModule(Module *module);

    Q_DISABLE_COPY(Module)
};

#endif
