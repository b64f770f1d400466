// Shrunk (1), Imploded (6) and Deflate64 (9) through 7-Zip's decoders.
#include "Codecs.h"
#include "SevenZipStreams.h"

#include "7zip/Compress/DeflateDecoder.h"
#include "7zip/Compress/ImplodeDecoder.h"
#include "7zip/Compress/ShrinkDecoder.h"

namespace zipcodec {

void DecodeShrunk(ByteSource& raw, SizedSink& out) {
    // Shrink has no end code: the entry's size ends the data.
    auto* decoder = new NCompress::NShrink::CDecoder;
    CMyComPtr<ICompressCoder> coder = decoder;
    static_cast<ICompressSetFinishMode*>(decoder)->SetFinishMode(0);
    RunCoder(coder, raw, out, true);
}

void DecodeImploded(ByteSource& raw, SizedSink& out, std::uint16_t flags) {
    // Flag bit 1: 8 KB window instead of 4 KB; bit 2: literals are coded
    // with a third tree.
    auto* decoder = new NCompress::NImplode::NDecoder::CCoder;
    CMyComPtr<ICompressCoder> coder = decoder;
    const Byte properties = static_cast<Byte>(flags & 0x06);
    static_cast<ICompressSetDecoderProperties2*>(decoder)->SetDecoderProperties2(&properties, 1);
    static_cast<ICompressSetFinishMode*>(decoder)->SetFinishMode(0);
    RunCoder(coder, raw, out, true);
}

void DecodeDeflate64(ByteSource& raw, SizedSink& out) {
    auto* decoder = new NCompress::NDeflate::NDecoder::CCOMCoder64;
    CMyComPtr<ICompressCoder> coder = decoder;
    RunCoder(coder, raw, out, false);
}

}  // namespace zipcodec
