// A folder of a test's own under /tmp, removed with everything in it when the test ends.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // Creates the file with the given bytes, and its folders; `relative` uses "/".
    void WriteFile(const std::string& relative, const std::string& bytes) const;
    std::string ReadFile(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // Every file and folder below `relative` (the whole folder when empty), relative to it
    // with "/", a folder ending in "/", sorted; nothing when it does not exist.
    std::vector<std::string> Tree(const std::string& relative = "") const;

  private:
    std::string path_;
};

} // namespace testing_support
