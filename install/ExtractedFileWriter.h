#pragma once
// The file an entry is decoded into, as the decoders' sink: decoded bytes go
// to the file in large blocks (BufferedFileWriter); a write that fails
// throws FileWriteError.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "BufferedFileWriter.h"
#include "Decoder.h"

class ExtractedFileWriter final : public ByteSink {
public:
    // The buffer is the caller's, so that one serves every entry of an
    // archive; afterWrite is called after each block reaches the file.
    ExtractedFileWriter(HANDLE file, std::vector<std::uint8_t>& buffer, std::function<void()> afterWrite)
        : writer_(file, buffer, std::move(afterWrite)) {}
    void Write(const std::uint8_t* data, std::size_t size) override { writer_.Write(data, size); }
    void Flush() { writer_.Flush(); }

private:
    BufferedFileWriter writer_;
};
