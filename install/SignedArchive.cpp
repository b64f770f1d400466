#include "SignedArchive.h"

#include <cstdint>
#include <vector>

#include "BackgroundHash.h"
#include "DownloadArchive.h"
#include "Failure.h"
#include "FormatText.h"
#include "HttpTextIds.h"
#include "LibraryText.h"
#include "MinisignVerifier.h"
#include "ReleaseTextIds.h"
#include "gnugettext.h"

namespace {

Failure NotSigned(const std::wstring& archiveName) {
    return Failure(FormatText(LoadResString(IDS_ARCHIVE_NOT_SIGNED), {archiveName}));
}

// Keeps the signature file in memory; a server that sends more than a
// signature file can hold is refused while it sends, not after.
class SignatureSink final : public TResponseSink {
public:
    explicit SignatureSink(const std::wstring& archiveName) : archiveName_(archiveName) {}

    void Write(const std::uint8_t* data, std::size_t size) override {
        if (size > kMaxSignatureFile - bytes_.size()) throw NotSigned(archiveName_);
        bytes_.insert(bytes_.end(), data, data + size);
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    const std::wstring& archiveName_;
    std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> FetchSignature(TIdHTTP& IdHTTP1, const std::wstring& url, const std::wstring& archiveName) {
    SignatureSink sink(archiveName);
    IdHTTP1.Get(url, sink);
    // As for the archive: a success other than 200 is an HTTP error.
    if (IdHTTP1.ResponseCode() != 200) {
        throw Failure(gettext(L"HTTP Error:") +
                      FormatText(LoadResString(IDS_HTTP_ERROR_CODE),
                                 {std::int64_t{IdHTTP1.ResponseCode()}, IdHTTP1.ResponseText()}));
    }
    return sink.Bytes();
}

// Hands the body to the hash as it arrives.
class HashSink final : public TResponseSink {
public:
    explicit HashSink(BackgroundHash& hash) : hash_(hash) {}
    void Write(const std::uint8_t* data, std::size_t size) override { hash_.Add({data, size}); }

private:
    BackgroundHash& hash_;
};

}  // namespace

void DownloadSignedArchive(TIdHTTP& IdHTTP1, const std::wstring& fileServer, const std::wstring& serverPath,
                           const std::wstring& localFile, const std::wstring& archiveName,
                           std::string_view signingKey) {
    BackgroundHash hash;
    HashSink hashSink(hash);
    DownloadArchive(IdHTTP1, fileServer, serverPath, localFile, &hashSink);
    // The hash finishes while the signature travels.
    const std::vector<std::uint8_t> signature =
        FetchSignature(IdHTTP1, fileServer + serverPath + kSignatureSuffix, archiveName);
    MinisignVerifier verifier(signingKey, signature);
    if (!verifier.VerifyHash(hash.Finish())) throw NotSigned(archiveName);
}
