#include "TrustedComment.h"

namespace {

std::optional<std::int64_t> DecimalSeconds(std::string_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;  // 18 digits never overflow
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

TrustedComment ParseTrustedComment(std::string_view comment) {
    TrustedComment result;
    bool fileTwice = false, timestampTwice = false, timestampBad = false;
    while (true) {
        const std::size_t tab = comment.find('\t');
        const std::string_view field = comment.substr(0, tab);
        if (field.starts_with("file:")) {
            fileTwice = fileTwice || result.file.has_value();
            result.file.emplace(field.substr(5));
        } else if (field.starts_with("timestamp:")) {
            timestampTwice = timestampTwice || result.timestamp.has_value() || timestampBad;
            result.timestamp = DecimalSeconds(field.substr(10));
            timestampBad = timestampBad || !result.timestamp;
        }
        if (tab == std::string_view::npos) break;
        comment.remove_prefix(tab + 1);
    }
    if (fileTwice) result.file.reset();
    if (timestampTwice || timestampBad) result.timestamp.reset();
    return result;
}

Binding BindingTo(const TrustedComment& comment, std::string_view fileName, std::int64_t notBefore) {
    if (comment.file != fileName) return Binding::OtherFile;
    if (!comment.timestamp || *comment.timestamp < notBefore) return Binding::BeforeFloor;
    return Binding::Binds;
}
