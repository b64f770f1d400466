#include "Decoder.h"

#include "Codecs/Codecs.h"
#include "ReduceDecoder.h"

using namespace zipcodec;

bool IsSupportedMethod(std::uint16_t method) {
    switch (method) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 8:
    case 9:
    case 12:
    case 14:
    case 97:
    case 98: return true;
    default: return false;
    }
}

void DecodeEntry(const EntryCoding& coding, ByteSource& raw, ByteSink& sink) {
    SizedSink out(sink, coding.uncompressedSize);
    switch (coding.method) {
    case 0: DecodeStored(raw, out); break;
    case 1: DecodeShrunk(raw, out); break;
    case 2:
    case 3:
    case 4:
    case 5: Unreduce(raw, out, coding.method - 1); break;
    case 6: DecodeImploded(raw, out, coding.flags); break;
    case 8: DecodeDeflated(raw, out); break;
    case 9: DecodeDeflate64(raw, out); break;
    case 12: DecodeBzip2(raw, out); break;
    case 14: DecodeLzma(raw, out, coding.flags); break;
    case 97: DecodeWavPack(raw, out); break;
    case 98: DecodePpmd(raw, out); break;
    default: ThrowUnsupported("compression method not supported");
    }
    out.Finish();
}
