#pragma once
// Files for tests: a scratch folder of a test's own, and reading and writing
// a file whole. Portable (native tests use them too); paths are
// std::filesystem paths, so std::wstring and std::string both serve.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

// A new empty folder under the system's temporary folder, removed with
// everything in it (read-only files too) when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder's path, ending in a separator ("\" on Windows), ready for a
    // file name to be appended.
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

// The whole content of a file, as a std::string or, say, a
// std::vector<std::uint8_t>. Throws std::runtime_error when the file cannot
// be opened, so that a missing file never reads as an empty one.
template <typename Bytes = std::string>
Bytes ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Creates or replaces the file with exactly these bytes.
void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);

// Where Wine differs from Windows (socket details, security descriptors it
// does not keep), the tests of those skip.
bool RunningUnderWine();

// True when something (a file or a folder) answers to the path.
bool FileExists(const std::filesystem::path& path);
