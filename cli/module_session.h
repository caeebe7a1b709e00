// The module loaded for one run of `filvex`, and the person at the screen put in place for it.
#pragma once

#include "host/module_lifetime.h"
#include "platform/embedded/system/module_loader.h"
#include "platform/embedded/ui/user_agent.h"
#include "resources/filvex_resources.h"

namespace cli {

class LoadedFilvex {
  public:
    LoadedFilvex() : instance_(embedded::LoadModule(FilvexResources())) {
        FilvexAttachModule(instance_);
    }
    ~LoadedFilvex() {
        FilvexDetachModule();
        embedded::UnloadModule(instance_);
    }
    LoadedFilvex(const LoadedFilvex&) = delete;
    LoadedFilvex& operator=(const LoadedFilvex&) = delete;

    HINSTANCE instance() const { return instance_; }

  private:
    HINSTANCE instance_;
};

class AgentAtTheScreen {
  public:
    explicit AgentAtTheScreen(embedded::UserAgent& agent) { embedded::SetUserAgent(&agent); }
    ~AgentAtTheScreen() { embedded::SetUserAgent(nullptr); }
    AgentAtTheScreen(const AgentAtTheScreen&) = delete;
    AgentAtTheScreen& operator=(const AgentAtTheScreen&) = delete;
};

} // namespace cli
