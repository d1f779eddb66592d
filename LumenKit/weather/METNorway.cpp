#include "LumenKit/weather/METNorway.hpp"

#include "LumenKit/catalog/Place.hpp"

#include <date/date.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace lumen::METNorway {

namespace {

using Clock = std::chrono::system_clock;

// Reads fixed-format date text left to right; every failed expectation leaves it failed.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool atEnd() const { return position_ == text_.size(); }

    bool literal(std::string_view expected) {
        if (text_.substr(position_).starts_with(expected)) {
            position_ += expected.size();
            return true;
        }
        return false;
    }

    bool oneOf(std::string_view characters) {
        if (!atEnd() && characters.find(text_[position_]) != std::string_view::npos) {
            ++position_;
            return true;
        }
        return false;
    }

    char peek() const { return atEnd() ? '\0' : text_[position_]; }

    // Between `minimum` and `maximum` decimal digits.
    std::optional<int> number(std::size_t minimum, std::size_t maximum) {
        int value = 0;
        std::size_t count = 0;
        while (count < maximum && !atEnd() && std::isdigit(static_cast<unsigned char>(peek()))) {
            value = value * 10 + (text_[position_] - '0');
            ++position_;
            ++count;
        }
        if (count < minimum) {
            return std::nullopt;
        }
        return value;
    }

    // One of `names`, ignoring case; its index.
    template <std::size_t N>
    std::optional<int> name(const std::array<std::string_view, N>& names) {
        for (std::size_t index = 0; index < N; ++index) {
            const std::string_view candidate = names[index];
            if (text_.size() - position_ < candidate.size()) {
                continue;
            }
            bool same = true;
            for (std::size_t i = 0; i < candidate.size() && same; ++i) {
                same = std::tolower(static_cast<unsigned char>(text_[position_ + i])) ==
                       std::tolower(static_cast<unsigned char>(candidate[i]));
            }
            if (same) {
                position_ += candidate.size();
                return static_cast<int>(index);
            }
        }
        return std::nullopt;
    }

    std::string_view rest() const { return text_.substr(position_); }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

struct CivilTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::int64_t nanoseconds = 0;
    int offsetSeconds = 0;  // east of UTC
};

// None for impossible dates and times, and for instants the nanosecond clock cannot hold
// (it spans about 1678 to 2261).
std::optional<Clock::time_point> instantOf(const CivilTime& civil) {
    const date::year_month_day ymd{date::year{civil.year},
                                   date::month{static_cast<unsigned>(civil.month)},
                                   date::day{static_cast<unsigned>(civil.day)}};
    if (!ymd.ok() || civil.hour > 23 || civil.minute > 59 || civil.second > 59) {
        return std::nullopt;
    }
    const std::int64_t days = date::sys_days{ymd}.time_since_epoch().count();
    const std::int64_t seconds = days * 86400 + civil.hour * 3600 + civil.minute * 60 +
                                 civil.second - civil.offsetSeconds;
    constexpr std::int64_t limit = 9'000'000'000;  // just inside ±2^63 ns
    if (seconds <= -limit || seconds >= limit) {
        return std::nullopt;
    }
    return Clock::time_point{std::chrono::duration_cast<Clock::duration>(
        std::chrono::seconds{seconds} + std::chrono::nanoseconds{civil.nanoseconds})};
}

// "+hh:mm", "+hhmm" or "+hh" (also with "-"); the sign must be next.
std::optional<int> numericOffset(Cursor& cursor, bool colonRequired) {
    const char sign = cursor.peek();
    if (!cursor.oneOf("+-")) {
        return std::nullopt;
    }
    const auto hours = cursor.number(2, 2);
    if (!hours || *hours > 23) {
        return std::nullopt;
    }
    int minutes = 0;
    const bool colon = cursor.literal(":");
    if (colon || !cursor.atEnd()) {
        if (colonRequired && !colon) {
            return std::nullopt;
        }
        const auto value = cursor.number(2, 2);
        if (!value || *value > 59) {
            return std::nullopt;
        }
        minutes = *value;
    } else if (colonRequired) {
        return std::nullopt;
    }
    const int offset = *hours * 3600 + minutes * 60;
    return sign == '-' ? -offset : offset;
}

// The zone names an "en_US_POSIX" reader knows for this header: GMT, UTC, UT, the North
// American ones, and GMT/UTC with an offset (GMT+01:00) or a bare offset (+0100).
std::optional<int> httpZoneOffset(Cursor& cursor) {
    static constexpr std::array<std::pair<std::string_view, int>, 8> american{{
        {"EST", -5}, {"EDT", -4}, {"CST", -6}, {"CDT", -5},
        {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7},
    }};
    for (const auto& [zoneName, hours] : american) {
        if (cursor.rest() == zoneName) {
            cursor.literal(zoneName);
            return hours * 3600;
        }
    }
    if (cursor.literal("GMT") || cursor.literal("UTC") || cursor.literal("UT")) {
        if (cursor.atEnd()) {
            return 0;
        }
    }
    return numericOffset(cursor, false);
}

std::string_view trimmed(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

constexpr std::array<std::string_view, 7> dayNames{"Mon", "Tue", "Wed", "Thu",
                                                   "Fri", "Sat", "Sun"};
constexpr std::array<std::string_view, 12> monthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string_view description(ParseError error) {
    switch (error) {
    case ParseError::invalid: return "The weather forecast couldn’t be read.";
    case ParseError::empty: return "The weather forecast has no time steps.";
    }
    return "The weather forecast couldn’t be read.";
}

std::string coordinateText(double coordinate) {
    const double value = Place::truncated(coordinate, 4);
    const int length = std::snprintf(nullptr, 0, "%.4f", value);
    if (length <= 0) {
        return {};
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::snprintf(buffer.data(), buffer.size(), "%.4f", value);
    std::string text(buffer.data(), static_cast<std::size_t>(length));
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') {
            text.pop_back();
        }
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

std::string requestURL(double latitude, double longitude) {
    std::string url = "https://";
    url += apiHost;
    url += forecastPath;
    url += "?lat=" + coordinateText(latitude) + "&lon=" + coordinateText(longitude);
    return url;
}

std::string userAgent(std::string_view app, std::string_view version, std::string_view contact) {
    std::string text(app);
    text += '/';
    text += version;
    text += " (+";
    text += contact;
    text += ')';
    return text;
}

std::optional<Clock::time_point> parseHTTPDate(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    Cursor cursor(trimmed(*text));
    CivilTime civil;
    // The day name must be a real one, but the date fields decide the instant.
    if (!cursor.name(dayNames) || !cursor.literal(", ")) {
        return std::nullopt;
    }
    const auto day = cursor.number(1, 2);
    if (!day || !cursor.literal(" ")) {
        return std::nullopt;
    }
    const auto month = cursor.name(monthNames);
    if (!month || !cursor.literal(" ")) {
        return std::nullopt;
    }
    const auto year = cursor.number(4, 4);
    if (!year || !cursor.literal(" ")) {
        return std::nullopt;
    }
    const auto hour = cursor.number(2, 2);
    const bool firstColon = hour && cursor.literal(":");
    const auto minute = firstColon ? cursor.number(2, 2) : std::nullopt;
    const bool secondColon = minute && cursor.literal(":");
    const auto second = secondColon ? cursor.number(2, 2) : std::nullopt;
    if (!second || !cursor.literal(" ")) {
        return std::nullopt;
    }
    const auto offset = httpZoneOffset(cursor);
    if (!offset || !cursor.atEnd()) {
        return std::nullopt;
    }
    civil.year = *year;
    civil.month = *month + 1;
    civil.day = *day;
    civil.hour = *hour;
    civil.minute = *minute;
    civil.second = *second;
    civil.offsetSeconds = *offset;
    return instantOf(civil);
}

std::optional<Clock::time_point> parseISO8601(std::string_view text) {
    Cursor cursor(text);
    CivilTime civil;
    const auto year = cursor.number(4, 4);
    const auto month = year && cursor.literal("-") ? cursor.number(2, 2) : std::nullopt;
    const auto day = month && cursor.literal("-") ? cursor.number(2, 2) : std::nullopt;
    const auto hour = day && cursor.oneOf("Tt") ? cursor.number(2, 2) : std::nullopt;
    const auto minute = hour && cursor.literal(":") ? cursor.number(2, 2) : std::nullopt;
    const auto second = minute && cursor.literal(":") ? cursor.number(2, 2) : std::nullopt;
    if (!second) {
        return std::nullopt;
    }
    if (cursor.literal(".")) {
        // Up to nanoseconds; further digits only narrow the instant below the clock's tick.
        std::int64_t nanoseconds = 0;
        int digits = 0;
        while (std::isdigit(static_cast<unsigned char>(cursor.peek()))) {
            const int digit = *cursor.number(1, 1);
            if (digits < 9) {
                nanoseconds = nanoseconds * 10 + digit;
            }
            ++digits;
        }
        if (digits == 0) {
            return std::nullopt;
        }
        for (int i = digits; i < 9; ++i) {
            nanoseconds *= 10;
        }
        civil.nanoseconds = nanoseconds;
    }
    if (cursor.oneOf("Zz")) {
        civil.offsetSeconds = 0;
    } else {
        const auto offset = numericOffset(cursor, true);
        if (!offset) {
            return std::nullopt;
        }
        civil.offsetSeconds = *offset;
    }
    if (!cursor.atEnd()) {
        return std::nullopt;
    }
    civil.year = *year;
    civil.month = *month;
    civil.day = *day;
    civil.hour = *hour;
    civil.minute = *minute;
    civil.second = *second;
    return instantOf(civil);
}

}  // namespace lumen::METNorway
