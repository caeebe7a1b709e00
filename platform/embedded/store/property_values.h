// Between stored properties and MAPI's property value arrays.
#pragma once

#include "platform/embedded/store/message_data.h"
#include "platform/mapi_types.h"

#include <optional>
#include <vector>

namespace embedded {

// Writes `stored` into `out` as the asked tag's type, strings and binaries in buffers chained
// to `parent`. A missing value, or one whose type cannot be given as asked, comes out as
// PT_ERROR with MAPI_E_NOT_FOUND and the answer is MAPI_W_ERRORS_RETURNED; a failed
// allocation is answered as such.
HRESULT WritePropValue(const PropertyValue* stored, ULONG askedTag, void* parent, SPropValue& out);

// The stored form of a value that a caller sets; none for the types the store does not keep.
std::optional<PropertyValue> ReadPropValue(const SPropValue& value);

// The tag under which a value is listed when all properties are asked for.
ULONG ListedTag(const PropertyValue& stored, bool unicode);

// A new value array answering `asked` from `values`, as GetProps returns it.
HRESULT BuildPropArray(const std::vector<PropertyValue>& values, const std::vector<ULONG>& asked,
                       ULONG* lpcValues, LPSPropValue* lppPropArray);

} // namespace embedded
