#include "module/files_of_run.h"

#include "platform/win32_text.h"

namespace {

std::string Normalised(LPCSTR path) {
    std::string text(path);
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    return text;
}

} // namespace

bool FilesOfRun::Less::operator()(const std::string& a, const std::string& b) const {
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
}

void FilesOfRun::Add(LPCSTR path) {
    if (path != nullptr) {
        paths.insert(Normalised(path));
    }
}

bool FilesOfRun::Contains(LPCSTR path) const {
    return path != nullptr && paths.count(Normalised(path)) > 0;
}
