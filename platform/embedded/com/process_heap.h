// The process's heap as a COM allocator: what the shell's allocator and MAPI's default
// allocator both are on the embedded platform. It lives as long as the process.
#pragma once

#include "platform/com_base.h"

namespace embedded {

IMalloc* ProcessHeapAllocator();

} // namespace embedded
