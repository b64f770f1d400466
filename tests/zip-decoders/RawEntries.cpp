#include "RawEntries.h"

#include <minizip/unzip.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

std::string Fixture(const std::string& name) { return std::string(ZIP_DECODER_FIXTURES) + "/" + name; }

std::vector<RawEntry> ReadRawEntries(const std::string& archive) {
    unzFile zip = unzOpen64(archive.c_str());
    if (!zip) throw std::runtime_error("cannot open " + archive);
    std::vector<RawEntry> entries;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        char name[1024];
        unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        RawEntry entry;
        entry.name = name;
        if (entry.name.empty() || entry.name.back() == '/' || (info.external_fa & 0x10)) continue;
        entry.coding = {static_cast<std::uint16_t>(info.compression_method), static_cast<std::uint16_t>(info.flag),
                        info.compressed_size, info.uncompressed_size};
        entry.crc = static_cast<std::uint32_t>(info.crc);
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(zip, &method, &level, 1) != UNZ_OK)
            throw std::runtime_error("raw open failed: " + entry.name);
        entry.raw.resize(info.compressed_size);
        std::size_t done = 0;
        while (done < entry.raw.size()) {
            const int got =
                unzReadCurrentFile(zip, entry.raw.data() + done, static_cast<unsigned>(entry.raw.size() - done));
            if (got <= 0) throw std::runtime_error("raw read failed: " + entry.name);
            done += static_cast<std::size_t>(got);
        }
        unzCloseCurrentFile(zip);
        entries.push_back(std::move(entry));
    }
    unzClose(zip);
    return entries;
}

void CrcSink::Write(const std::uint8_t* data, std::size_t n) {
    crc = static_cast<std::uint32_t>(crc32(crc, data, static_cast<uInt>(n)));
    size += n;
    if (keep_) bytes.insert(bytes.end(), data, data + n);
}
