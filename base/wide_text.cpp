#include "base/wide_text.h"

#include "platform/win32_text.h"

HRESULT ToWideText(LPCSTR text, std::vector<WCHAR>& wide) {
    wide.clear();
    if (text == nullptr) {
        return E_INVALIDARG;
    }
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed > 0) {
        wide.assign(static_cast<std::size_t>(needed), 0);
        if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), needed) == needed) {
            return S_OK;
        }
    }
    wide.clear();
    // A conversion that failed without saying why must still not pass for a success.
    const DWORD error = GetLastError();
    return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
}
