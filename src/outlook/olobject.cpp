#include "outlook/olobject.h"

OlObject::~OlObject() = default;
