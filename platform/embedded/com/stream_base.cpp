#include "platform/embedded/com/stream_base.h"

#include "platform/embedded/trace/fault_injection.h"

#include <algorithm>
#include <vector>

namespace embedded {

HRESULT STDMETHODCALLTYPE StreamBase::Read(void* pv, ULONG cb, ULONG* pcbRead) {
    if (pcbRead != nullptr) {
        *pcbRead = 0;
    }
    HRESULT hr = EnterOperation("Read", cb);
    if (FAILED(hr)) {
        return hr;
    }
    if (pv == nullptr && cb > 0) {
        return STG_E_INVALIDPOINTER;
    }
    ULONG done = 0;
    hr = ReadBytes(pv, cb, done);
    if (pcbRead != nullptr) {
        *pcbRead = done;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE StreamBase::Write(const void* pv, ULONG cb, ULONG* pcbWritten) {
    if (pcbWritten != nullptr) {
        *pcbWritten = 0;
    }
    HRESULT hr = EnterOperation("Write", cb);
    if (FAILED(hr)) {
        WriteFailed();
        return hr;
    }
    if (!Writable()) {
        return STG_E_ACCESSDENIED;
    }
    if (pv == nullptr && cb > 0) {
        return STG_E_INVALIDPOINTER;
    }
    ULONG done = 0;
    hr = WriteBytes(pv, cb, done);
    if (pcbWritten != nullptr) {
        *pcbWritten = done;
    }
    if (FAILED(hr)) {
        WriteFailed();
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE StreamBase::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin,
                                           ULARGE_INTEGER* plibNewPosition) {
    HRESULT hr = EnterOperation("Seek", dwOrigin);
    if (FAILED(hr)) {
        return hr;
    }
    std::uint64_t size = 0;
    if (dwOrigin == STREAM_SEEK_END) {
        hr = SizeOf(size);
        if (FAILED(hr)) {
            return hr;
        }
    }
    std::uint64_t target = 0;
    hr = SeekTarget(dlibMove, dwOrigin, Position(), size, target);
    if (FAILED(hr)) {
        return hr;
    }
    MoveTo(target);
    if (plibNewPosition != nullptr) {
        plibNewPosition->QuadPart = target;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StreamBase::SetSize(ULARGE_INTEGER libNewSize) {
    HRESULT hr = EnterOperation("SetSize");
    if (FAILED(hr)) {
        return hr;
    }
    if (!Writable()) {
        return STG_E_ACCESSDENIED;
    }
    return Resize(libNewSize.QuadPart);
}

HRESULT STDMETHODCALLTYPE StreamBase::Stat(STATSTG* pstatstg, DWORD grfStatFlag) {
    HRESULT hr = EnterOperation("Stat", grfStatFlag);
    if (FAILED(hr)) {
        return hr;
    }
    if (pstatstg == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    std::uint64_t size = 0;
    hr = SizeOf(size);
    if (FAILED(hr)) {
        return hr;
    }
    *pstatstg = STATSTG{};
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize.QuadPart = size;
    pstatstg->grfMode = Writable() ? STGM_READWRITE : STGM_READ;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StreamBase::CopyTo(IStream* pstm, ULARGE_INTEGER cb,
                                             ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) {
    HRESULT hr = EnterOperation("CopyTo");
    if (FAILED(hr)) {
        return hr;
    }
    if (pstm == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    std::vector<char> chunk(kStreamCopyChunk);
    while (read < cb.QuadPart) {
        const ULONG want =
            static_cast<ULONG>(std::min<std::uint64_t>(chunk.size(), cb.QuadPart - read));
        ULONG got = 0;
        hr = Read(chunk.data(), want, &got);
        if (FAILED(hr) || got == 0) {
            break;
        }
        read += got;
        ULONG put = 0;
        hr = pstm->Write(chunk.data(), got, &put);
        written += put;
        if (FAILED(hr)) {
            break;
        }
    }
    if (pcbRead != nullptr) {
        pcbRead->QuadPart = read;
    }
    if (pcbWritten != nullptr) {
        pcbWritten->QuadPart = written;
    }
    return FAILED(hr) ? hr : S_OK;
}

// Streams here write through at once: there is nothing to commit or revert.
HRESULT STDMETHODCALLTYPE StreamBase::Commit(DWORD grfCommitFlags) {
    return EnterOperation("Commit", grfCommitFlags);
}

HRESULT STDMETHODCALLTYPE StreamBase::Revert() {
    return EnterOperation("Revert");
}

HRESULT STDMETHODCALLTYPE StreamBase::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    HRESULT hr = EnterOperation("LockRegion");
    return FAILED(hr) ? hr : STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE StreamBase::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    HRESULT hr = EnterOperation("UnlockRegion");
    return FAILED(hr) ? hr : STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE StreamBase::Clone(IStream** ppstm) {
    if (ppstm != nullptr) {
        *ppstm = nullptr;
    }
    HRESULT hr = EnterOperation("Clone");
    return FAILED(hr) ? hr : E_NOTIMPL;
}

bool StreamBase::Answers(REFIID riid) const {
    return AnyOf(riid, {&IID_IUnknown, &IID_ISequentialStream, &IID_IStream});
}

HRESULT StreamBase::SeekTarget(LARGE_INTEGER move, DWORD origin, std::uint64_t position,
                               std::uint64_t size, std::uint64_t& target) {
    std::int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) {
        base = static_cast<std::int64_t>(position);
    } else if (origin == STREAM_SEEK_END) {
        base = static_cast<std::int64_t>(size);
    } else if (origin != STREAM_SEEK_SET) {
        return STG_E_INVALIDFUNCTION;
    }
    if ((move.QuadPart > 0 && base > INT64_MAX - move.QuadPart) || base + move.QuadPart < 0) {
        return STG_E_INVALIDFUNCTION;
    }
    target = static_cast<std::uint64_t>(base + move.QuadPart);
    return S_OK;
}

} // namespace embedded
