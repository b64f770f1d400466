// WavPack (97) through libwavpack.
#include "Codecs.h"

namespace zipcodec {

void DecodeWavPack(ByteSource&, SizedSink&) { ThrowUnsupported("WavPack decoding is not available yet"); }

}  // namespace zipcodec
