#include "platform/embedded/files/summary_attributes.h"

#include "platform/embedded/storage/compound_file_rewrite.h"

#include <array>
#include <cerrno>
#include <sys/xattr.h>

namespace embedded {
namespace {

struct CommonAttribute {
    PROPID id;
    const char* name;
};

constexpr std::array<CommonAttribute, 4> kAttributes{{
    {PIDSI_TITLE, "user.dublincore.title"},
    {PIDSI_SUBJECT, "user.dublincore.subject"},
    {PIDSI_AUTHOR, "user.dublincore.creator"},
    {PIDSI_COMMENTS, "user.xdg.comment"},
}};

// Beyond any summary text; a larger attribute is none of ours.
constexpr std::size_t kMaxValue = 64 * 1024;

HRESULT ResultOfAttributeErrno(int error) {
    if (error == ENOTSUP) {
        return STG_E_INVALIDFUNCTION;
    }
    if (error == E2BIG || error == ERANGE) {
        return STG_E_INVALIDPARAMETER;
    }
    return StorageResultOfErrno(error);
}

HRESULT Get(const std::string& nativePath, const char* name, std::optional<std::string>& value) {
    value.reset();
    std::string buffer(kMaxValue, '\0');
    const ssize_t size = ::getxattr(nativePath.c_str(), name, buffer.data(), buffer.size());
    if (size < 0) {
        return errno == ENODATA ? S_OK : ResultOfAttributeErrno(errno);
    }
    buffer.resize(static_cast<std::size_t>(size));
    value = std::move(buffer);
    return S_OK;
}

HRESULT Put(const std::string& nativePath, const char* name,
            const std::optional<std::string>& value) {
    const int done = value ? ::setxattr(nativePath.c_str(), name, value->data(), value->size(), 0)
                           : ::removexattr(nativePath.c_str(), name);
    if (done != 0 && !(value == std::nullopt && errno == ENODATA)) {
        return ResultOfAttributeErrno(errno);
    }
    return S_OK;
}

} // namespace

std::optional<std::string> SummaryAttributeName(PROPID id) {
    for (const CommonAttribute& attribute : kAttributes) {
        if (attribute.id == id) {
            return attribute.name;
        }
    }
    return std::nullopt;
}

std::vector<PROPID> SummaryAttributeProperties() {
    std::vector<PROPID> ids;
    for (const CommonAttribute& attribute : kAttributes) {
        ids.push_back(attribute.id);
    }
    return ids;
}

HRESULT CheckSummaryAttributes(const std::string& nativePath) {
    std::optional<std::string> ignored;
    return Get(nativePath, kAttributes[0].name, ignored);
}

bool HasSummaryAttributes(const std::string& nativePath) {
    for (const CommonAttribute& attribute : kAttributes) {
        std::optional<std::string> value;
        if (SUCCEEDED(Get(nativePath, attribute.name, value)) && value) {
            return true;
        }
    }
    return false;
}

HRESULT ReadSummaryAttribute(const std::string& nativePath, PROPID id,
                             std::optional<std::string>& value) {
    value.reset();
    const auto name = SummaryAttributeName(id);
    return name ? Get(nativePath, name->c_str(), value) : S_OK;
}

HRESULT WriteSummaryAttributes(const std::string& nativePath,
                               const std::vector<std::pair<PROPID, std::string>>& values) {
    std::vector<std::pair<std::string, std::optional<std::string>>> before;
    HRESULT hr = S_OK;
    for (const auto& [id, text] : values) {
        const auto name = SummaryAttributeName(id);
        if (!name) {
            hr = STG_E_INVALIDPARAMETER;
            break;
        }
        std::optional<std::string> old;
        hr = Get(nativePath, name->c_str(), old);
        if (FAILED(hr)) {
            break;
        }
        before.emplace_back(*name, std::move(old));
        hr = Put(nativePath, name->c_str(), text);
        if (FAILED(hr)) {
            break;
        }
    }
    if (FAILED(hr)) {
        for (auto it = before.rbegin(); it != before.rend(); ++it) {
            Put(nativePath, it->first.c_str(), it->second);
        }
    }
    return hr;
}

HRESULT RemoveSummaryAttributes(const std::string& nativePath, const std::vector<PROPID>& ids) {
    for (PROPID id : ids) {
        if (const auto name = SummaryAttributeName(id)) {
            HRESULT hr = Put(nativePath, name->c_str(), std::nullopt);
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    return S_OK;
}

} // namespace embedded
