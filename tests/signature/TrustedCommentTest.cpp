// Which trusted comments bind a signature to one archive and release.
#include <gtest/gtest.h>

#include "TrustedComment.h"

namespace {

constexpr std::int64_t kFloor = 1700000000;

// The rule that fails is named: the maker's release command reports it.
TEST(TrustedComment, BindsOnlyToItsOwnFileAtOrAfterTheFloor) {
    constexpr Binding kBinds = Binding::Binds, kOtherFile = Binding::OtherFile, kBeforeFloor = Binding::BeforeFloor;
    const struct {
        const char* comment;
        Binding binding;
    } cases[] = {
        {"timestamp:1700000000\tfile:main.zip\thashed", kBinds},  // minisign's own form
        {"file:main.zip\ttimestamp:1800000000", kBinds},          // any order
        {"timestamp:1700000000\tfile:main.zip\thashed\tcomment:Venkor 2.1", kBinds},
        {"timestamp:1699999999\tfile:main.zip\thashed", kBeforeFloor},   // an older release
        {"file:main.zip\thashed", kBeforeFloor},                         // no time at all
        {"timestamp:1700000000\tfile:upgrade.zip\thashed", kOtherFile},  // another archive
        {"timestamp:1700000000\tfile:MAIN.ZIP", kOtherFile},             // names compare as bytes
        {"timestamp:1700000000\tfile:main.zip.old", kOtherFile},
        {"timestamp:1700000000\tfile:main.zip\tfile:upgrade.zip", kOtherFile},  // two files
        {"timestamp:1\tfile:upgrade.zip", kOtherFile},                          // the file's rule is named first
        {"timestamp:1800000000\ttimestamp:1\tfile:main.zip", kBeforeFloor},     // two times
        {"timestamp:17e8\tfile:main.zip", kBeforeFloor},
        {"timestamp:-1800000000\tfile:main.zip", kBeforeFloor},
        {"timestamp:99999999999999999999\tfile:main.zip", kBeforeFloor},  // too long to be a time
        {"timestamp: 1800000000\tfile:main.zip", kBeforeFloor},
        {"Venkor 2.1", kOtherFile},  // a maker's free text only
        {"", kOtherFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.comment);
        EXPECT_EQ(BindingTo(ParseTrustedComment(c.comment), "main.zip", kFloor), c.binding);
    }
}

}  // namespace
