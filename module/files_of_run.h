// The files one save run wrote. Nothing later in the same run may replace one of them: a second
// attachment of the same name in another message, an archive entry named like a saved file,
// each of which would leave a removed attachment without its only copy.
#pragma once

#include "platform/win_types.h"

#include <set>
#include <string>

class FilesOfRun {
  public:
    void Add(LPCSTR path);
    // Whatever the letter case and whichever separators the path uses, as the platform's file
    // system finds a file.
    bool Contains(LPCSTR path) const;

  private:
    struct Less {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    std::set<std::string, Less> paths;
};
