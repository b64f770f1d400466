#include "SevenZipStreams.h"

#include <limits>
#include <new>

namespace zipcodec {

Z7_COM7F_IMF(SourceInStream::Read(void* data, UInt32 size, UInt32* processedSize)) {
    if (processedSize) *processedSize = 0;
    try {
        const std::size_t got = source_.Read(static_cast<std::uint8_t*>(data), size);
        if (processedSize) *processedSize = static_cast<UInt32>(got);
        delivered_ += got;
        return S_OK;
    } catch (...) {
        failure_ = std::current_exception();
        return E_FAIL;
    }
}

Z7_COM7F_IMF(SinkOutStream::Write(const void* data, UInt32 size, UInt32* processedSize)) {
    if (processedSize) *processedSize = 0;
    try {
        sink_.Write(static_cast<const std::uint8_t*>(data), size);
        if (processedSize) *processedSize = size;
        return S_OK;
    } catch (...) {
        failure_ = std::current_exception();
        return E_FAIL;
    }
}

void RunCoder(ICompressCoder* coder, ByteSource& raw, SizedSink& out, bool sizeEndsData) {
    std::exception_ptr failure;
    auto* source = new SourceInStream(raw, failure);
    CMyComPtr<ISequentialInStream> in = source;
    CMyComPtr<ISequentialOutStream> sink = new SinkOutStream(out, failure);
    const UInt64 outSize = out.Remaining();
    const HRESULT result = coder->Code(in, sink, nullptr, sizeEndsData ? &outSize : nullptr, nullptr);
    if (failure) std::rethrow_exception(failure);
    if (result == S_OK) {
        // A coder that stops at the size reads zeros once the data is used
        // up and would fill the rest of the entry with them.
        CMyComPtr<ICompressGetInStreamProcessedSize> processed;
        coder->QueryInterface(IID_ICompressGetInStreamProcessedSize, reinterpret_cast<void**>(&processed));
        UInt64 used = 0;
        if (sizeEndsData && processed && processed->GetInStreamProcessedSize(&used) == S_OK &&
            used > source->Delivered())
            ThrowDamaged("compressed data ends early");
        return;
    }
    if (result == E_OUTOFMEMORY) throw std::bad_alloc();
    if (result == E_NOTIMPL) ThrowUnsupported("coding options not supported");
    ThrowDamaged("invalid compressed data");
}

}  // namespace zipcodec
