#include "platform/embedded/registry/expected_types.h"

#include <mutex>
#include <set>
#include <tuple>

namespace embedded {
namespace {

struct Expectations {
    std::string keyPath;
    std::vector<ExpectedValueType> types;
    std::function<void(const std::string&)> warn;
    std::set<std::tuple<RegistryRoot, std::string, DWORD>> warned;
};

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

std::vector<Expectations>& All() {
    static std::vector<Expectations> all;
    return all;
}

std::string TypeName(DWORD type) {
    switch (type) {
    case REG_SZ:
        return "a text (REG_SZ)";
    case REG_EXPAND_SZ:
        return "an expandable text (REG_EXPAND_SZ)";
    case REG_BINARY:
        return "bytes (REG_BINARY)";
    case REG_DWORD:
        return "a number (REG_DWORD)";
    case REG_MULTI_SZ:
        return "a list of texts (REG_MULTI_SZ)";
    default:
        return "a value of type " + std::to_string(type);
    }
}

std::string Folded(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

} // namespace

void ExpectValueTypes(const std::string& keyPath, std::vector<ExpectedValueType> types,
                      std::function<void(const std::string&)> warn) {
    std::lock_guard guard(Lock());
    All().push_back({keyPath, std::move(types), std::move(warn), {}});
}

void ForgetExpectedValueTypes() {
    std::lock_guard guard(Lock());
    All().clear();
}

bool HasExpectedType(RegistryRoot root, const std::string& keyPath, const RegistryValue& value) {
    std::function<void(const std::string&)> warn;
    std::string line;
    bool expected = true;
    {
        std::lock_guard guard(Lock());
        for (Expectations& expectations : All()) {
            if (!SameRegistryName(expectations.keyPath, keyPath)) {
                continue;
            }
            for (const ExpectedValueType& type : expectations.types) {
                if (!SameRegistryName(type.name, value.name) || type.type == value.type) {
                    continue;
                }
                expected = false;
                if (expectations.warned.insert({root, Folded(value.name), value.type}).second) {
                    warn = expectations.warn;
                    line = std::string(RootNameOf(root)) + "\\" + keyPath + ": \"" + value.name +
                           "\" is " + TypeName(value.type) + " where " + TypeName(type.type) +
                           " is meant; it counts as missing, so its default applies (" +
                           RegistryFileOf(root) + ")";
                }
            }
        }
    }
    // Told outside the lock: the warning may well read the registry again.
    if (warn) {
        warn(line);
    }
    return expected;
}

} // namespace embedded
