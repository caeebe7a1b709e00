// Sets environment variables (and the time zone) for one test and puts them back after it.
#pragma once

#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>

namespace testing_support {

class ScopedEnvironment {
  public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        tzset();
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const std::string& name, const std::string& value) {
        Remember(name);
        setenv(name.c_str(), value.c_str(), 1);
        tzset();
    }
    void Unset(const std::string& name) {
        Remember(name);
        unsetenv(name.c_str());
        tzset();
    }

  private:
    void Remember(const std::string& name) {
        if (saved_.count(name) == 0) {
            const char* value = std::getenv(name.c_str());
            saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace testing_support
