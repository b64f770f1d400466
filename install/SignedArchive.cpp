#include "SignedArchive.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Failure.h"
#include "FormatText.h"
#include "HttpTextIds.h"
#include "LibraryText.h"
#include "MinisignVerifier.h"
#include "ReleaseTextIds.h"
#include "SystemErrorText.h"
#include "UniqueHandle.h"
#include "gnugettext.h"

namespace {

constexpr DWORD kReadBlock = 1024 * 1024;

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

// Streams the file through the verifier, one block at a time.
void HashFile(MinisignVerifier& verifier, const std::wstring& localFile, const std::wstring& archiveName) {
    const auto cannotRead = [&](DWORD error) {
        return Failure(FormatText(LoadResString(IDS_ARCHIVE_NOT_READ), {archiveName, SystemErrorText(error)}));
    };
    UniqueFile file(CreateFileW(localFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) throw cannotRead(GetLastError());
    std::vector<std::uint8_t> block(kReadBlock);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), block.data(), kReadBlock, &got, nullptr)) throw cannotRead(GetLastError());
        if (got == 0) return;
        verifier.Update({block.data(), got});
    }
}

}  // namespace

void CheckArchiveSignature(const std::wstring& localFile, std::span<const std::uint8_t> signatureFile,
                           std::string_view signingKey, const std::wstring& archiveName) {
    MinisignVerifier verifier(signingKey, signatureFile);
    // A signature refused on its own (malformed, legacy, another key) needs
    // no byte of the file.
    if (verifier.Fault() == SignatureFault::None) HashFile(verifier, localFile, archiveName);
    if (!verifier.Verify()) throw NotSigned(archiveName);
}

void VerifyArchiveSignature(TIdHTTP& IdHTTP1, const std::wstring& archiveUrl, const std::wstring& localFile,
                            const std::wstring& archiveName, std::string_view signingKey) {
    const std::vector<std::uint8_t> signature = FetchSignature(IdHTTP1, archiveUrl + kSignatureSuffix, archiveName);
    CheckArchiveSignature(localFile, signature, signingKey, archiveName);
}
