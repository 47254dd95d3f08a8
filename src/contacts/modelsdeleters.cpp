// The models container of the model folder holds the contacts models; it
// deletes them through these, handed over before anything runs.
#include "contacts/chats.h"
#include "contacts/friends.h"
#include "model/modelscontainer.h"

namespace {

const bool deletersHandedOver = [] {
    ModelsContainer::setModelDeleters([](Friends *friends) { delete friends; }, [](Chats *chats) { delete chats; });
    return true;
}();

} // namespace
