#include "platform/embedded/ui/user_agent.h"

namespace embedded {
namespace {

UserAgent*& Current() {
    static UserAgent* agent = nullptr;
    return agent;
}

} // namespace

void SetUserAgent(UserAgent* agent) {
    Current() = agent;
}

UserAgent* CurrentUserAgent() {
    return Current();
}

} // namespace embedded
