// The summary of a file that is no compound file, kept in the file's extended attributes under
// the freedesktop common names, in UTF-8, so that Linux file managers show it.
#pragma once

#include "platform/ole_storage.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace embedded {

// "user.dublincore.title" for PIDSI_TITLE and so on; nothing for the properties that have
// no common attribute.
std::optional<std::string> SummaryAttributeName(PROPID id);

// S_OK when the file's file system keeps user attributes; STG_E_INVALIDFUNCTION where it
// takes none, as for a volume without property sets.
HRESULT CheckSummaryAttributes(const std::string& nativePath);

bool HasSummaryAttributes(const std::string& nativePath);
// Nothing when the file has no such attribute.
HRESULT ReadSummaryAttribute(const std::string& nativePath, PROPID id,
                             std::optional<std::string>& value);
// All or nothing: when one attribute cannot be set, those set before get their old values.
HRESULT WriteSummaryAttributes(const std::string& nativePath,
                               const std::vector<std::pair<PROPID, std::string>>& values);
HRESULT RemoveSummaryAttributes(const std::string& nativePath, const std::vector<PROPID>& ids);
// Every property that has a common attribute.
std::vector<PROPID> SummaryAttributeProperties();

} // namespace embedded
