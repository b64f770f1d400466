// Which trusted comments bind a signature to one archive and release.
#include <gtest/gtest.h>

#include "TrustedComment.h"

namespace {

constexpr std::int64_t kFloor = 1700000000;

TEST(TrustedComment, BindsOnlyToItsOwnFileAtOrAfterTheFloor) {
    const struct {
        const char* comment;
        bool binds;
    } cases[] = {
        {"timestamp:1700000000\tfile:main.zip\thashed", true},  // minisign's own form
        {"file:main.zip\ttimestamp:1800000000", true},          // any order
        {"timestamp:1700000000\tfile:main.zip\thashed\tcomment:Venkor 2.1", true},
        {"timestamp:1699999999\tfile:main.zip\thashed", false},     // an older release
        {"file:main.zip\thashed", false},                           // no time at all
        {"timestamp:1700000000\tfile:upgrade.zip\thashed", false},  // another archive
        {"timestamp:1700000000\tfile:MAIN.ZIP", false},             // names compare as bytes
        {"timestamp:1700000000\tfile:main.zip.old", false},
        {"timestamp:1700000000\tfile:main.zip\tfile:upgrade.zip", false},  // two files
        {"timestamp:1800000000\ttimestamp:1\tfile:main.zip", false},       // two times
        {"timestamp:17e8\tfile:main.zip", false},
        {"timestamp:-1800000000\tfile:main.zip", false},
        {"timestamp:99999999999999999999\tfile:main.zip", false},  // too long to be a time
        {"timestamp: 1800000000\tfile:main.zip", false},
        {"Venkor 2.1", false},  // a maker's free text only
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.comment);
        EXPECT_EQ(BindsTo(ParseTrustedComment(c.comment), "main.zip", kFloor), c.binds);
    }
}

}  // namespace
