#include "options/registry_root.h"

HKEY PerUserRoot::RootKey() const {
    return HKEY_CURRENT_USER;
}

HKEY MachineRoot::RootKey() const {
    return HKEY_LOCAL_MACHINE;
}
