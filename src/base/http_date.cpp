#include "base/http_date.h"

#include <array>
#include <charconv>
#include <limits>

#include "base/text.h"

namespace farrow::base {

namespace {

constexpr std::array<std::string_view, 7> kDays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<std::string_view, 7> kLongDays = {
    "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool literal(std::string_view part) {
        if (!text_.starts_with(part)) {
            return false;
        }
        text_.remove_prefix(part.size());
        return true;
    }

    // The index of the name `text` starts with, or -1.
    template <std::size_t N>
    int name(const std::array<std::string_view, N>& names) {
        for (std::size_t i = 0; i < N; ++i) {
            if (literal(names[i])) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // Exactly `width` digits, or -1.
    int number(std::size_t width) {
        if (text_.size() < width) {
            return -1;
        }
        int value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            if (text_[i] < '0' || text_[i] > '9') {
                return -1;
            }
            value = value * 10 + (text_[i] - '0');
        }
        text_.remove_prefix(width);
        return value;
    }

    // "hh:mm:ss" as seconds of the day, or -1.
    int timeOfDay() {
        const int h = number(2);
        const int m = literal(":") ? number(2) : -1;
        const int s = literal(":") ? number(2) : -1;
        // 60: a leap second.
        if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 60) {
            return -1;
        }
        return h * 3600 + m * 60 + s;
    }

    bool atEnd() const { return text_.empty(); }

private:
    std::string_view text_;
};

std::optional<std::chrono::system_clock::time_point> moment(int y, int m, int d, int seconds) {
    using namespace std::chrono;
    if (y < 0 || m < 0 || d < 0 || seconds < 0) {
        return std::nullopt;
    }
    const year_month_day date{year{y}, month{static_cast<unsigned>(m + 1)},
                              day{static_cast<unsigned>(d)}};
    if (!date.ok()) {
        return std::nullopt;
    }
    return sys_days(date) + std::chrono::seconds(seconds);
}

}  // namespace

std::optional<std::chrono::system_clock::time_point> parseHttpDate(std::string_view text) {
    {
        // IMF-fixdate: "Sun, 06 Nov 1994 08:49:37 GMT".
        Cursor c(text);
        if (c.name(kDays) >= 0 && c.literal(", ")) {
            const int d = c.number(2);
            const int m = c.literal(" ") ? c.name(kMonths) : -1;
            const int y = c.literal(" ") ? c.number(4) : -1;
            const int t = c.literal(" ") ? c.timeOfDay() : -1;
            return c.literal(" GMT") && c.atEnd() ? moment(y, m, d, t) : std::nullopt;
        }
    }
    {
        // RFC 850: "Sunday, 06-Nov-94 08:49:37 GMT".
        Cursor c(text);
        if (c.name(kLongDays) >= 0 && c.literal(", ")) {
            const int d = c.number(2);
            const int m = c.literal("-") ? c.name(kMonths) : -1;
            int y = c.literal("-") ? c.number(2) : -1;
            const int t = c.literal(" ") ? c.timeOfDay() : -1;
            if (y >= 0) {
                y += y < 70 ? 2000 : 1900;
            }
            return c.literal(" GMT") && c.atEnd() ? moment(y, m, d, t) : std::nullopt;
        }
    }
    // asctime: "Sun Nov  6 08:49:37 1994", a one-digit day after two spaces.
    Cursor c(text);
    if (c.name(kDays) < 0 || !c.literal(" ")) {
        return std::nullopt;
    }
    const int m = c.name(kMonths);
    int d = -1;
    if (c.literal("  ")) {
        d = c.number(1);
    } else if (c.literal(" ")) {
        d = c.number(2);
    }
    const int t = c.literal(" ") ? c.timeOfDay() : -1;
    const int y = c.literal(" ") ? c.number(4) : -1;
    return c.atEnd() ? moment(y, m, d, t) : std::nullopt;
}

std::optional<long long> retryAfterSeconds(std::string_view value,
                                           std::chrono::system_clock::time_point now) {
    value = trimmed(value);
    if (value.empty()) {
        return std::nullopt;
    }
    long long seconds = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (ec == std::errc() && end == value.data() + value.size()) {
        return seconds < 0 ? std::nullopt : std::optional<long long>(seconds);
    }
    if (ec == std::errc::result_out_of_range) {
        return std::numeric_limits<long long>::max();
    }
    const std::optional<std::chrono::system_clock::time_point> at = parseHttpDate(value);
    if (!at) {
        return std::nullopt;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::seconds>(
                          *at - std::chrono::floor<std::chrono::seconds>(now))
                          .count();
    return wait > 0 ? static_cast<long long>(wait) : 0;
}

}  // namespace farrow::base
