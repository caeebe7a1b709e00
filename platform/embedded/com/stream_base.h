// What every stream of the embedded platform shares: its interface table, CopyTo through a
// fixed chunk (so that copying content of any size holds no more than the chunk), and the
// operations that none of them supports. Read, Write, Seek, SetSize and Stat enter their fault
// point and check their arguments and the access here; a stream supplies how its bytes are
// read, written, positioned, measured and resized.
#pragma once

#include "platform/embedded/com/counted.h"
#include "platform/ole_storage.h"

#include <cstdint>

namespace embedded {

constexpr std::size_t kStreamCopyChunk = 64 * 1024;

class StreamBase : public Counted<IStream> {
  public:
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) final;
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) final;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin,
                                   ULARGE_INTEGER* plibNewPosition) final;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER libNewSize) final;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* pstatstg, DWORD grfStatFlag) final;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                     ULARGE_INTEGER* pcbWritten) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD grfCommitFlags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) override;

  protected:
    bool Answers(REFIID riid) const override;

    // Up to `cb` bytes at the stream's position; `done` says how many, also on a failure.
    virtual HRESULT ReadBytes(void* pv, ULONG cb, ULONG& done) = 0;
    virtual HRESULT WriteBytes(const void* pv, ULONG cb, ULONG& done) = 0;
    virtual bool Writable() const = 0;

    virtual std::uint64_t Position() const = 0;
    virtual void MoveTo(std::uint64_t position) = 0;
    virtual HRESULT SizeOf(std::uint64_t& size) const = 0;
    // Called for a writable stream only.
    virtual HRESULT Resize(std::uint64_t size) = 0;
    // A Write failed, at its fault point or in WriteBytes: the content is not what was asked.
    virtual void WriteFailed() {}

  private:
    // The position that a Seek moves to from `position` in a stream of `size` bytes, or
    // STG_E_INVALIDFUNCTION for an unknown origin or a place before the start.
    static HRESULT SeekTarget(LARGE_INTEGER move, DWORD origin, std::uint64_t position,
                              std::uint64_t size, std::uint64_t& target);
};

} // namespace embedded
