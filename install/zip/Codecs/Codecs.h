#pragma once
// One function per compression method; each decodes the whole entry into out
// and leaves the final size check to out.Finish().
#include "CodecSupport.h"

namespace zipcodec {

void DecodeStored(ByteSource& raw, SizedSink& out);
void DecodeShrunk(ByteSource& raw, SizedSink& out);
void DecodeImploded(ByteSource& raw, SizedSink& out, std::uint16_t flags);
void DecodeDeflated(ByteSource& raw, SizedSink& out);
void DecodeDeflate64(ByteSource& raw, SizedSink& out);
void DecodeBzip2(ByteSource& raw, SizedSink& out);
void DecodeLzma(ByteSource& raw, SizedSink& out, std::uint16_t flags);
void DecodeWavPack(ByteSource& raw, SizedSink& out);
void DecodePpmd(ByteSource& raw, SizedSink& out);

}  // namespace zipcodec
