#include "base/unique_suffix.h"

#include "base/bounded_text.h"
#include "base/name_cut.h"
#include "platform/win32_text.h"

namespace {

constexpr std::size_t kExtensionCapacity = 64;
constexpr std::size_t kSuffixCapacity = 64;

} // namespace

bool AddUniqueSuffix(LPSTR path, std::size_t bound, int counter, LPCSTR separator) {
    char suffix[kSuffixCapacity];
    BoundedFormat(suffix, sizeof(suffix), "%s%d", separator, counter);
    char extension[kExtensionCapacity] = {};
    // Only the file name's own dot: a dot in a folder name would put the counter into a folder
    // that does not exist, and no counter would ever give a free name.
    LPSTR dot = nullptr;
    for (LPSTR p = path; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/') {
            dot = nullptr;
        } else if (*p == '.') {
            dot = p;
        }
    }
    if (dot != nullptr) {
        if (FAILED(BoundedCopy(extension, sizeof(extension), dot))) {
            return false;
        }
        *dot = '\0';
    }
    const bool whole = SUCCEEDED(AppendNamePart(path, bound, suffix));
    return SUCCEEDED(AppendNamePart(path, bound, extension)) && whole;
}
