#include "cli/send_run.h"

#include <iostream>

namespace cli {

int RunSend(const LinkRequest&) {
    std::cerr << "filvex: send is not available yet\n";
    return 1;
}

} // namespace cli
