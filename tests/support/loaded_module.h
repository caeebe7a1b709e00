// The module loaded for one test, as the mail client loads it: its resources readable through
// its instance handle, which the module keeps.
#pragma once

#include "platform/win_types.h"

namespace testing_support {

class LoadedModule {
  public:
    LoadedModule();
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    HINSTANCE instance() const { return instance_; }

  private:
    HINSTANCE instance_;
};

} // namespace testing_support
