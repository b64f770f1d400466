#include "SignedArchive.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "BackgroundHash.h"
#include "DownloadArchive.h"
#include "Failure.h"
#include "MinisignVerifier.h"
#include "ResumingDownload.h"
#include "SignatureBinding.h"

namespace {

// Keeps the signature file in memory; a server that sends more than a
// signature file can hold is refused while it sends, not after.
class SignatureSink final : public TResponseSink {
public:
    explicit SignatureSink(const std::wstring& archiveName) : archiveName_(archiveName) {}

    void Write(const std::uint8_t* data, std::size_t size) override {
        if (size > kMaxSignatureFile - bytes_.size()) throw ArchiveNotSigned(archiveName_);
        bytes_.insert(bytes_.end(), data, data + size);
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    const std::wstring& archiveName_;
    std::vector<std::uint8_t> bytes_;
};

// The signature request is bounded whatever the server answers: a
// signature file is a few hundred bytes and travels in well under a minute.
std::vector<std::uint8_t> FetchSignature(TIdHTTP& IdHTTP1, const std::wstring& url, const std::wstring& archiveName) {
    SignatureSink sink(archiveName);
    const TRequestLimits limits{static_cast<std::int64_t>(kMaxSignatureFile), std::chrono::seconds(60),
                                ArchiveNotSigned(archiveName).Message()};
    IdHTTP1.Get(url, sink, &limits);
    if (IdHTTP1.ResponseCode() != 200) throw HttpError(IdHTTP1);
    return sink.Bytes();
}

// Hands the body to the hash as it arrives; a file that starts over starts
// a new hash.
class HashSink final : public TRestartableSink {
public:
    explicit HashSink(PipelineTimes* times) : times_(times) { hash_.emplace(times_); }
    void Write(const std::uint8_t* data, std::size_t size) override { hash_->Add({data, size}); }
    void StartOver() override { hash_.emplace(times_); }
    BackgroundHash::Hash Finish() { return hash_->Finish(); }

private:
    PipelineTimes* times_;
    std::optional<BackgroundHash> hash_;
};

}  // namespace

UniqueFile DownloadSignedArchive(TIdHTTP& IdHTTP1, const std::wstring& fileServer, const std::wstring& serverPath,
                                 const std::wstring& localFile, const std::wstring& archiveName,
                                 const InstallSource& source, PipelineTimes* times) {
    // Shared with nobody from its creation to its deletion: the bytes hashed
    // are the bytes unpacked. Bytes nobody vouches for do not stay on the
    // user's disk: the file is marked for deletion until its signature binds,
    // so a failure here, a kill, a crash or a fatal exit deletes it with its
    // handle.
    UniqueFile file = CreateArchiveFile(localFile, OnClose::Delete);
    HashSink hash(times);
    DownloadResuming(IdHTTP1, fileServer + serverPath, file.Get(), hash, source.retryPause);
    // The hash finishes while the signature travels.
    const std::vector<std::uint8_t> signature =
        FetchSignature(IdHTTP1, fileServer + serverPath + kSignatureSuffix, archiveName);
    BindSignature(file.Get(), signature, hash.Finish(), archiveName, source);
    return file;
}
