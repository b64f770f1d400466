// Any bytes given as a catalogue must be refused or read without touching
// memory outside them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "MoCatalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto catalogue = MoCatalogue::Parse(std::span(data, size));
    if (catalogue) {
        volatile std::size_t sink = 0;
        for (std::string_view key : {"", "&Yes", "WAARSCHUWING"}) {
            if (const auto text = catalogue->Find(key)) sink = sink + text->size() + (text->empty() ? 0 : text->back());
        }
    }
    return 0;
}
