#include "ResumeRules.h"

#include <gtest/gtest.h>

namespace {

TEST(ResumeRules, ContentRange) {
    const struct {
        const char* value;
        std::optional<std::int64_t> first, last, complete;  // all or none
    } cases[] = {
        {"bytes 104-347/348", 104, 347, 348},
        {"BYTES 0-0/1", 0, 0, 1},
        {"bytes 0-9223372036854775806/9223372036854775807", 0, 9223372036854775806, 9223372036854775807},
        {"bytes 104-347/*", {}, {}, {}},  // unknown length
        {"bytes */348", {}, {}, {}},      // unsatisfied
        {"bytes 104-348/348", {}, {}, {}},
        {"bytes 300-104/348", {}, {}, {}},
        {"bytes -104-347/348", {}, {}, {}},
        {"bytes +104-347/348", {}, {}, {}},
        {"bytes 104 -347/348", {}, {}, {}},
        {"bytes 104-347/348 ", {}, {}, {}},
        {"bytes 104-347/9223372036854775808", {}, {}, {}},
        {"items 104-347/348", {}, {}, {}},
        {"bytes=104-347/348", {}, {}, {}},
        {"", {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const auto range = ParseContentRange(c.value);
        ASSERT_EQ(range.has_value(), c.first.has_value());
        if (!range) continue;
        EXPECT_EQ(range->first, *c.first);
        EXPECT_EQ(range->last, *c.last);
        EXPECT_EQ(range->complete, *c.complete);
    }
}

TEST(ResumeRules, ImfFixdate) {
    EXPECT_EQ(ParseImfFixdate("Thu, 01 Jan 1970 00:00:00 GMT"), 0);
    EXPECT_EQ(ParseImfFixdate("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777);
    EXPECT_EQ(ParseImfFixdate("Tue, 29 Feb 2000 23:59:60 GMT"), 951868800);
    for (const char* other : {
             "Sunday, 06-Nov-94 08:49:37 GMT",  // the obsolete forms
             "Sun Nov  6 08:49:37 1994",
             "Mon, 06 Nov 1994 08:49:37 GMT",  // another day of the week
             "Sun, 06 Nov 1994 08:49:37 UTC",
             "sun, 06 Nov 1994 08:49:37 GMT",
             "Sun, 06 nov 1994 08:49:37 GMT",
             "Thu, 29 Feb 2001 00:00:00 GMT",
             "Tue, 31 Apr 2001 00:00:00 GMT",
             "Sun, 06 Nov 1994 24:00:00 GMT",
             "Sun, 06 Nov 1994 08:60:00 GMT",
             "Sun, +6 Nov 1994 08:49:37 GMT",
             "Sun, 06 Nov 1994 08:49:37 GMT ",
             "",
         }) {
        EXPECT_EQ(ParseImfFixdate(other), std::nullopt) << other;
    }
}

// If-Range names the file by a strong entity tag, or by a date only where
// the server has no entity tag and the date cannot stand for two versions.
TEST(ResumeRules, IfRangeValidator) {
    const char* modified = "Sun, 06 Nov 1994 08:49:37 GMT";
    const char* secondLater = "Sun, 06 Nov 1994 08:49:38 GMT";
    const struct {
        const char* etag;
        const char* lastModified;
        const char* date;
        const char* validator;
    } cases[] = {
        {"\"v1\"", modified, secondLater, "\"v1\""},
        {"\"\"", "", "", "\"\""},
        {"W/\"v1\"", modified, secondLater, ""},  // a weak tag: no date either
        {"v1", "", "", ""},
        {"\"v 1\"", "", "", ""},
        {"\"v1", "", "", ""},
        {"", modified, secondLater, modified},
        {"", modified, modified, ""},
        {"", secondLater, modified, ""},
        {"", modified, "", ""},
        {"", "Sunday, 06-Nov-94 08:49:37 GMT", secondLater, ""},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.etag) + " | " + c.lastModified + " | " + c.date);
        EXPECT_EQ(IfRangeValidator(c.etag, c.lastModified, c.date), c.validator);
    }
}

}  // namespace
