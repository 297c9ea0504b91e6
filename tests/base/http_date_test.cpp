#include "base/http_date.h"

#include <gtest/gtest.h>

namespace farrow::base {
namespace {

using std::chrono::sys_days;

const auto kNovember6 = sys_days(std::chrono::November / 6 / 1994) + std::chrono::hours(8) +
                        std::chrono::minutes(49) + std::chrono::seconds(37);

TEST(HttpDate, ReadsTheThreeFormsAndNothingElse) {
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", true},
        {"Sunday, 06-Nov-94 08:49:37 GMT", true},
        {"Sun Nov  6 08:49:37 1994", true},
        {"Sun, 06 Nov 1994 08:49:37 UTC", false},
        {"Sun, 6 Nov 1994 08:49:37 GMT", false},
        {"Sun, 31 Nov 1994 08:49:37 GMT", false},
        {"Sun, 06 Nov 1994 24:00:00 GMT", false},
        {"Sun, 06 Nov 1994 08:49:37 GMT ", false},
        {"Sun Nov 6 08:49:37 1994", false},
        {"sun, 06 nov 1994 08:49:37 GMT", false},
        // The names of another language, as a reader going by LC_TIME would take them
        // under a German locale: the names are English whatever the locale.
        {"So, 06 Nov 1994 08:49:37 GMT", false},
        {"Mi, 09 Dez 2026 08:00:00 GMT", false},
        {"", false},
    };
    for (const auto& c : cases) {
        const auto at = parseHttpDate(c.text);
        EXPECT_EQ(at.has_value(), c.valid) << "\"" << c.text << "\"";
        if (c.valid && at) {
            EXPECT_EQ(*at, kNovember6) << c.text;
        }
    }
    EXPECT_EQ(parseHttpDate("Wednesday, 09-Dec-26 08:00:00 GMT"),
              sys_days(std::chrono::December / 9 / 2026) + std::chrono::hours(8));
    EXPECT_EQ(parseHttpDate("Wed Dec 09 08:00:00 2026"), parseHttpDate("Wed Dec  9 08:00:00 2026"));
}

}  // namespace
}  // namespace farrow::base
