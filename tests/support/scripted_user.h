// The person at the screen for one test: a scripted user agent put in place with fresh windows
// and cursor. When the test ends, every failure the agent recorded and every scripted
// interaction that never came fails the test.
#pragma once

#include "platform/embedded/ui/scripted_user_agent.h"

namespace testing_support {

class ScriptedUser {
  public:
    ScriptedUser();
    ~ScriptedUser();
    ScriptedUser(const ScriptedUser&) = delete;
    ScriptedUser& operator=(const ScriptedUser&) = delete;

    embedded::ScriptedUserAgent& agent() { return agent_; }
    embedded::ScriptedUserAgent* operator->() { return &agent_; }

  private:
    embedded::ScriptedUserAgent agent_;
};

} // namespace testing_support
