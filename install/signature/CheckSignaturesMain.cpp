// check_signatures: the maker's check of the archives about to be published,
// by the rule Setup.exe applies to them after the download
// (CheckArchiveSignature), so that a signature Setup.exe would refuse stops
// the release instead of reaching the users. A native command; release.sh
// runs it before it builds.
//
// Usage: check_signatures PUBLIC_KEY [NOT_BEFORE ARCHIVE...]
//   PUBLIC_KEY  the base64 line of the maker's minisign.pub; alone, only
//               the key line is checked
//   NOT_BEFORE  the signature floor compiled into Setup.exe (Unix seconds)
//   ARCHIVE     an archive Setup.exe fetches, ARCHIVE.minisig beside it
// One line per archive: on stdout what holds, on stderr the rule that fails.
// Exit status 0 when every archive holds, 1 when one does not, 2 for usage.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ArchiveSignature.h"
#include "BackgroundHash.h"
#include "InstallPlan.h"
#include "MinisignVerifier.h"

namespace {

// The names Setup.exe stores the archives under, which their signatures must name.
std::vector<std::string> ArchiveNames() {
    std::vector<std::string> names;
    for (const InstallPlan::Archive& archive : InstallPlan::kArchives) {
        std::string name;
        for (const wchar_t* c = archive.localName; *c; ++c)
            name += static_cast<char>(*c);  // ASCII
        names.push_back(name);
    }
    return names;
}

std::string_view BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<BackgroundHash::Hash> HashOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    BackgroundHash hash;
    std::vector<char> block(1 << 20);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0)
        hash.Add({reinterpret_cast<const std::uint8_t*>(block.data()), static_cast<std::size_t>(in.gcount())});
    if (in.bad()) return std::nullopt;
    return hash.Finish();
}

// At most one byte more than a signature file may hold, so that a larger one
// is refused as such.
std::optional<std::vector<std::uint8_t>> SignatureFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<char> bytes(kMaxSignatureFile + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) return std::nullopt;
    return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + in.gcount());
}

const char* SignatureFaultText(SignatureFault fault) {
    switch (fault) {
    case SignatureFault::None: break;
    case SignatureFault::BadPublicKey: return "the public key is no minisign public key";
    case SignatureFault::TooLarge: return "the signature file is larger than a signature file can be (64 KiB)";
    case SignatureFault::Malformed: return "the signature file is damaged or no minisign signature";
    case SignatureFault::UnsupportedAlgorithm: return "a legacy signature (minisign -l); only prehashed ones count";
    case SignatureFault::OtherKey: return "made with another key";
    case SignatureFault::BadTrustedComment: return "the trusted comment does not match its signature";
    case SignatureFault::BadSignature: return "the archive's bytes are not the ones signed";
    case SignatureFault::NoCryptography: return "libsodium could not be initialised";
    }
    return "";
}

// Prints the verdict on one archive; true when it holds.
bool Check(std::string_view publicKey, std::int64_t notBefore, const std::string& archive) {
    const auto refuse = [&](const char* rule, const std::string& why) {
        std::cerr << archive << ": rule \"" << rule << "\": " << why << '\n';
        return false;
    };
    const std::string name(BaseName(archive));
    const std::vector<std::string> names = ArchiveNames();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        std::string known;
        for (const std::string& n : names)
            known += (known.empty() ? "" : ", ") + n;
        return refuse("name", "Setup.exe fetches only " + known + " (compared byte for byte)");
    }
    const std::optional<std::vector<std::uint8_t>> signature = SignatureFile(archive + ".minisig");
    if (!signature) return refuse("signature", "cannot read " + archive + ".minisig");
    const std::optional<BackgroundHash::Hash> hash = HashOf(archive);
    if (!hash) return refuse("signature", "cannot read the archive");

    const ArchiveSignatureVerdict verdict = CheckArchiveSignature(publicKey, *signature, *hash, name, notBefore);
    const TrustedComment& comment = verdict.comment;
    if (verdict.signature != SignatureFault::None) return refuse("signature", SignatureFaultText(verdict.signature));
    if (verdict.binding == Binding::OtherFile)
        return refuse("file", "the trusted comment names " +
                                  (comment.file ? "file:" + *comment.file : std::string("no file (or two)")) +
                                  ", Setup.exe asks for file:" + name);
    if (verdict.binding == Binding::BeforeFloor)
        return refuse("timestamp", (comment.timestamp ? "signed at " + std::to_string(*comment.timestamp)
                                                      : std::string("the trusted comment holds no timestamp")) +
                                       ", Setup.exe refuses signatures made before " + std::to_string(notBefore));
    std::cout << archive << ": signed with the key for file:" << name << " at " << *comment.timestamp << ", not before "
              << notBefore << '\n';
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2) {
        MinisignPublicKey key;
        if (ParseMinisignPublicKey(argv[1], key) == SignatureFault::None) return 0;
        std::cerr << "the public key is no minisign public key\n";
        return 1;
    }
    std::int64_t notBefore = 0;
    const std::string_view floor = argc > 2 ? argv[2] : "";
    const auto parsed = std::from_chars(floor.data(), floor.data() + floor.size(), notBefore);
    if (argc < 4 || parsed.ec != std::errc() || parsed.ptr != floor.data() + floor.size() || notBefore < 0) {
        std::cerr << "usage: check_signatures PUBLIC_KEY [NOT_BEFORE ARCHIVE...]\n";
        return 2;
    }
    bool allHold = true;
    for (int i = 3; i < argc; ++i)
        allHold = Check(argv[1], notBefore, argv[i]) && allHold;
    return allHold ? 0 : 1;
}
