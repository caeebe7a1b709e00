// Which registry root a record of options loads from and saves to.
#pragma once

#include "platform/win32_registry.h"

class RegistryRootProvider {
  public:
    virtual ~RegistryRootProvider() = default;
    virtual HKEY RootKey() const = 0;
};

// The user's own options, which the product writes.
class PerUserRoot final : public RegistryRootProvider {
  public:
    HKEY RootKey() const override;
};

// The options an administrator set for every user of the machine.
class MachineRoot final : public RegistryRootProvider {
  public:
    HKEY RootKey() const override;
};
