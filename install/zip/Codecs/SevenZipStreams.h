#pragma once
// Our source and sink as 7-Zip's sequential streams. 7-Zip's coders turn any
// failure of a stream into an error code, so the adaptors keep the exception
// that the source or sink threw and the caller rethrows it afterwards.
#include "CodecSupport.h"
#include "SevenZipPlatform.h"

#include <exception>

#include "7zip/ICoder.h"
#include "7zip/IStream.h"
#include "Common/MyCom.h"

namespace zipcodec {

Z7_CLASS_IMP_NOQIB_1(SourceInStream, ISequentialInStream)
ByteSource& source_;
std::exception_ptr& failure_;
UInt64 delivered_ = 0;

public:
SourceInStream(ByteSource& source, std::exception_ptr& failure) : source_(source), failure_(failure) {}
UInt64 Delivered() const { return delivered_; }
};

Z7_CLASS_IMP_NOQIB_1(SinkOutStream, ISequentialOutStream)
SizedSink& sink_;
std::exception_ptr& failure_;

public:
SinkOutStream(SizedSink& sink, std::exception_ptr& failure) : sink_(sink), failure_(failure) {}
}
;

// Runs a 7-Zip coder over the whole entry and maps its result: a stream
// failure rethrows, E_OUTOFMEMORY is std::bad_alloc, E_NOTIMPL is
// Unsupported, any other failure is Damaged. sizeEndsData: the method has no end code, so the coder
// stops at the entry's size; otherwise it runs to the stream's own end and
// the sink refuses anything beyond the size.
void RunCoder(ICompressCoder* coder, ByteSource& raw, SizedSink& out, bool sizeEndsData);

}  // namespace zipcodec
