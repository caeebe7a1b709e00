#include "options/command_options.h"

#include <utility>

namespace {

// Shared, so that a record replaced in the middle of a run lives on for that run.
std::shared_ptr<SaveOptions>& Current() {
    static std::shared_ptr<SaveOptions> current;
    return current;
}

std::shared_ptr<SaveOptions> LoadedOptions(std::unique_ptr<RegistryRootProvider> root) {
    auto options = std::make_shared<SaveOptions>();
    InitOptions(*options, std::move(root));
    LoadOptions(*options);
    return options;
}

} // namespace

std::shared_ptr<SaveOptions> AcquireCommandOptions() {
    auto user = LoadedOptions(std::make_unique<PerUserRoot>());
    auto machine = LoadedOptions(std::make_unique<MachineRoot>());
    // The administrator's key, once it can be opened, replaces the user's options entirely.
    auto chosen = machine->optionsKeyFound ? std::move(machine) : std::move(user);
    Current() = chosen;
    return chosen;
}

std::shared_ptr<SaveOptions> CurrentCommandOptions() {
    return Current();
}

void ReleaseCommandOptions() {
    Current().reset();
}
