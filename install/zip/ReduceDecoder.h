#pragma once
// Reduced (methods 2-5): follower sets plus the run-length/back-reference
// expansion with the escape byte 144, as the ZIP application note describes.
// No library decodes it, so it lives here.
#include "Codecs/CodecSupport.h"

namespace zipcodec {

// factor is the compression factor, 1 to 4 (method number minus 1).
void Unreduce(ByteSource& raw, SizedSink& out, int factor);

}  // namespace zipcodec
