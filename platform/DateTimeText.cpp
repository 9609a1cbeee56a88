// Date-time text conversions with Windows locale patterns.
//
// A pattern is cut into tokens once; the formatter writes each token, and the parser matches a
// text against the tokens of one or more candidate patterns with backtracking (numeric fields
// of one or two digits, names of several lengths), then checks the fields it collected.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/DateTime.h"

namespace {

enum class Kind { Literal, Space, Day, Month, Year, Hour12, Hour24, Minute, Second, AmPm, Era };

struct Token {
    Kind kind;
    int count;         // length of the letter run (fields)
    std::string text;  // the literal text (Literal, Space)
};

using Pattern = std::vector<Token>;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}
char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when text holds word at pos, ASCII letters compared without regard to case.
bool HasAt(const std::string& text, size_t pos, const std::string& word) {
    if (word.size() > text.size() - pos) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (LowerAscii(text[pos + i]) != LowerAscii(word[i])) return false;
    return true;
}

void AddLiteral(Pattern& pattern, char c) {
    Kind kind = IsSpace(c) ? Kind::Space : Kind::Literal;
    if (!pattern.empty() && pattern.back().kind == kind) {
        pattern.back().text += c;
        return;
    }
    pattern.push_back({kind, 0, std::string(1, c)});
}

Kind FieldKind(char c) {
    switch (c) {
        case 'd':
            return Kind::Day;
        case 'M':
            return Kind::Month;
        case 'y':
            return Kind::Year;
        case 'h':
            return Kind::Hour12;
        case 'H':
            return Kind::Hour24;
        case 'm':
            return Kind::Minute;
        case 's':
            return Kind::Second;
        case 't':
            return Kind::AmPm;
        case 'g':
            return Kind::Era;
        default:
            return Kind::Literal;
    }
}

Pattern Tokenize(const std::string& format) {
    Pattern pattern;
    size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        if (c == '\'') {
            // 'text' is literal text, in which '' is a quote character; '' outside quoted
            // text is empty quoted text. An unterminated quote runs to the end.
            ++i;
            while (i < format.size()) {
                if (format[i] == '\'') {
                    if (i + 1 < format.size() && format[i + 1] == '\'') {
                        AddLiteral(pattern, '\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                AddLiteral(pattern, format[i++]);
            }
            continue;
        }
        Kind kind = FieldKind(c);
        if (kind == Kind::Literal) {
            AddLiteral(pattern, c);
            ++i;
            continue;
        }
        size_t run = 1;
        while (i + run < format.size() && format[i + run] == c) ++run;
        pattern.push_back({kind, static_cast<int>(run), std::string()});
        i += run;
    }
    return pattern;
}

bool IsValidValue(TDateTime value) {
    // 1 January of year 1 to the last moment of 31 December 9999.
    return std::isfinite(value) && value > -693594.0 && value < 2958466.0;
}

void AppendNumber(std::string& out, int value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) out.append(width - digits.size(), '0');
    out += digits;
}

// --- Parsing -----------------------------------------------------------------------------------

struct Fields {
    int year = -1, yearDigits = 0, month = -1, day = -1;
    int hour = -1, minute = -1, second = -1;
    int ampm = 0;  // 0 none, 1 AM, 2 PM
};

enum class Want { Date, Time, DateTime };

// A two-digit year is taken in the hundred years from 50 years before this year.
int ExpandTwoDigitYear(int yy) {
    int thisYear, month, day;
    DecodeDate(Now(), thisYear, month, day);
    int year = thisYear / 100 * 100 + yy;
    if (year < thisYear - 50) year += 100;
    if (year >= thisYear + 50) year -= 100;
    return year;
}

bool DateFrom(const Fields& f, TDateTime& date) {
    if (f.year < 0 || f.month < 0 || f.day < 0) return false;
    int year = f.yearDigits <= 2 ? ExpandTwoDigitYear(f.year) : f.year;
    return TryEncodeDate(year, f.month, f.day, date);
}

bool TimeFrom(const Fields& f, TDateTime& time) {
    if (f.hour < 0) return false;
    int hour = f.hour;
    if (f.ampm != 0) {
        if (hour > 12) return false;
        if (f.ampm == 1 && hour == 12) hour = 0;
        if (f.ampm == 2 && hour < 12) hour += 12;
    }
    return TryEncodeTime(hour, f.minute < 0 ? 0 : f.minute, f.second < 0 ? 0 : f.second, 0, time);
}

bool Combine(const Fields& f, Want want, TDateTime& result) {
    TDateTime date = 0, time = 0;
    if (want != Want::Time && !DateFrom(f, date)) return false;
    if (want != Want::Date && !TimeFrom(f, time)) return false;
    if (want == Want::Date) {
        if (f.hour >= 0 || f.minute >= 0 || f.second >= 0 || f.ampm != 0) return false;
    } else if (want == Want::Time) {
        if (f.year >= 0 || f.month >= 0 || f.day >= 0) return false;
    }
    // Before 30 December 1899 the time of day counts away from zero, as DecodeTime reads it.
    result = date < 0 ? date - time : date + time;
    return true;
}

class Matcher {
  public:
    Matcher(const std::string& text, const TFormatSettings& fs, Want want)
        : text_(text), fs_(fs), want_(want) {}

    bool Run(const Pattern& pattern, TDateTime& result) {
        pattern_ = &pattern;
        return Match(0, 0, Fields(), result);
    }

  private:
    bool Match(size_t ti, size_t pos, Fields f, TDateTime& result) {
        if (ti == pattern_->size()) return pos == text_.size() && Combine(f, want_, result);
        const Token& tok = (*pattern_)[ti];
        switch (tok.kind) {
            case Kind::Literal:
                return HasAt(text_, pos, tok.text) &&
                       Match(ti + 1, pos + tok.text.size(), f, result);
            case Kind::Space: {
                size_t end = pos;
                while (end < text_.size() && IsSpace(text_[end])) ++end;
                // Spaces may be left out, except between two numbers.
                if (end == pos && pos > 0 && pos < text_.size() && IsDigit(text_[pos - 1]) &&
                    IsDigit(text_[pos]))
                    return false;
                return Match(ti + 1, end, f, result);
            }
            case Kind::Era:
                return Match(ti + 1, pos, f, result);
            case Kind::AmPm:
                return MatchAmPm(ti, pos, f, result);
            case Kind::Day:
                if (tok.count >= 3) return MatchDayName(ti, pos, f, result);
                return MatchNumber(ti, pos, f, result, &Fields::day, {2, 1});
            case Kind::Month:
                if (tok.count >= 3) return MatchMonthName(ti, pos, f, result);
                return MatchNumber(ti, pos, f, result, &Fields::month, {2, 1});
            case Kind::Year:
                if (tok.count >= 3)
                    return MatchNumber(ti, pos, f, result, &Fields::year, {4, 3, 2, 1});
                return MatchNumber(ti, pos, f, result, &Fields::year, {2, 1, 4, 3});
            case Kind::Hour12:
            case Kind::Hour24:
                return MatchNumber(ti, pos, f, result, &Fields::hour, {2, 1});
            case Kind::Minute:
                return MatchNumber(ti, pos, f, result, &Fields::minute, {2, 1});
            case Kind::Second:
                return MatchNumber(ti, pos, f, result, &Fields::second, {2, 1});
        }
        return false;
    }

    bool MatchNumber(size_t ti, size_t pos, Fields f, TDateTime& result, int Fields::*field,
                     std::initializer_list<size_t> widths) {
        if (f.*field >= 0) return false;  // the same field twice
        size_t available = 0;
        while (pos + available < text_.size() && available < 4 && IsDigit(text_[pos + available]))
            ++available;
        for (size_t width : widths) {
            if (width > available) continue;
            Fields next = f;
            next.*field = std::stoi(text_.substr(pos, width));
            if (field == &Fields::year) next.yearDigits = static_cast<int>(width);
            if (Match(ti + 1, pos + width, next, result)) return true;
        }
        return false;
    }

    // Tries each (name, value) that stands at pos, longest first.
    template <typename OnMatch>
    bool MatchWords(size_t pos, std::vector<std::pair<std::string, int>> words, OnMatch onMatch) {
        std::stable_sort(words.begin(), words.end(), [](const auto& a, const auto& b) {
            return a.first.size() > b.first.size();
        });
        for (const auto& w : words)
            if (!w.first.empty() && HasAt(text_, pos, w.first) &&
                onMatch(pos + w.first.size(), w.second))
                return true;
        return false;
    }

    bool MatchDayName(size_t ti, size_t pos, const Fields& f, TDateTime& result) {
        // The day name is read over; the date alone decides the week day.
        std::vector<std::pair<std::string, int>> words;
        for (int i = 0; i < 7; ++i) {
            words.emplace_back(fs_.LongDayNames[i], i);
            words.emplace_back(fs_.ShortDayNames[i], i);
        }
        return MatchWords(pos, words,
                          [&](size_t end, int) { return Match(ti + 1, end, f, result); });
    }

    bool MatchMonthName(size_t ti, size_t pos, const Fields& f, TDateTime& result) {
        if (f.month >= 0) return false;
        std::vector<std::pair<std::string, int>> words;
        for (int i = 0; i < 12; ++i) {
            words.emplace_back(fs_.LongMonthNames[i], i + 1);
            words.emplace_back(fs_.ShortMonthNames[i], i + 1);
        }
        return MatchWords(pos, words, [&](size_t end, int month) {
            Fields next = f;
            next.month = month;
            return Match(ti + 1, end, next, result);
        });
    }

    bool MatchAmPm(size_t ti, size_t pos, const Fields& f, TDateTime& result) {
        const std::string& am = fs_.TimeAMString;
        const std::string& pm = fs_.TimePMString;
        if (f.ampm != 0) return false;
        std::vector<std::pair<std::string, int>> words = {{am, 1}, {pm, 2}, {"AM", 1}, {"PM", 2}};
        // One letter, as the pattern t writes it, when it tells the two apart.
        if (!am.empty() && !pm.empty() && LowerAscii(am[0]) != LowerAscii(pm[0])) {
            words.emplace_back(am.substr(0, 1), 1);
            words.emplace_back(pm.substr(0, 1), 2);
        }
        words.emplace_back("A", 1);
        words.emplace_back("P", 2);
        if (MatchWords(pos, words, [&](size_t end, int ampm) {
                Fields next = f;
                next.ampm = ampm;
                return Match(ti + 1, end, next, result);
            }))
            return true;
        // Settings without markers write none.
        return am.empty() && pm.empty() && Match(ti + 1, pos, f, result);
    }

    const std::string& text_;
    const TFormatSettings& fs_;
    Want want_;
    const Pattern* pattern_ = nullptr;
};

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsSpace(text[begin])) ++begin;
    while (end > begin && IsSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::vector<Pattern> DatePatterns(const TFormatSettings& fs) {
    std::vector<Pattern> patterns;
    for (const std::string* format : {&fs.ShortDateFormat, &fs.LongDateFormat})
        if (!format->empty()) patterns.push_back(Tokenize(*format));
    return patterns;
}

// The user's long and short time formats, then plain forms with and without seconds, AM/PM
// after or before, with the time separator (and a colon).
std::vector<Pattern> TimePatterns(const TFormatSettings& fs) {
    std::vector<Pattern> patterns;
    for (const std::string* format : {&fs.LongTimeFormat, &fs.ShortTimeFormat})
        if (!format->empty()) patterns.push_back(Tokenize(*format));
    std::vector<char> separators = {fs.TimeSeparator};
    if (fs.TimeSeparator != ':') separators.push_back(':');
    for (char sep : separators) {
        const Token sepTok{Kind::Literal, 0, std::string(1, sep)};
        const Token space{Kind::Space, 0, " "};
        const Token ampm{Kind::AmPm, 2, std::string()};
        for (Kind hour : {Kind::Hour24, Kind::Hour12}) {
            for (bool seconds : {true, false}) {
                Pattern p = {{hour, 1, std::string()}, sepTok, {Kind::Minute, 1, std::string()}};
                if (seconds) {
                    p.push_back(sepTok);
                    p.push_back({Kind::Second, 1, std::string()});
                }
                if (hour == Kind::Hour24) {
                    patterns.push_back(p);
                    continue;
                }
                Pattern after = p;
                after.push_back(space);
                after.push_back(ampm);
                patterns.push_back(after);
                Pattern before = {ampm, space};
                before.insert(before.end(), p.begin(), p.end());
                patterns.push_back(before);
            }
        }
    }
    return patterns;
}

bool Parse(const std::string& text, const std::vector<Pattern>& patterns, const TFormatSettings& fs,
           Want want, TDateTime& result) {
    std::string trimmed = Trim(text);
    if (trimmed.empty()) return false;
    Matcher matcher(trimmed, fs, want);
    TDateTime value = 0;
    for (const Pattern& p : patterns) {
        if (matcher.Run(p, value)) {
            result = value;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string FormatDateTime(const std::string& format, TDateTime value, const TFormatSettings& fs) {
    if (!IsValidValue(value)) return std::string();
    int year, month, day, hour, minute, second, msec;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    std::string out;
    for (const Token& tok : Tokenize(format)) {
        const int width = tok.count >= 2 ? 2 : 1;
        switch (tok.kind) {
            case Kind::Literal:
            case Kind::Space:
                out += tok.text;
                break;
            case Kind::Era:
                break;
            case Kind::Day:
                if (tok.count == 3)
                    out += fs.ShortDayNames[DayOfWeek(value) - 1];
                else if (tok.count >= 4)
                    out += fs.LongDayNames[DayOfWeek(value) - 1];
                else
                    AppendNumber(out, day, width);
                break;
            case Kind::Month:
                if (tok.count == 3)
                    out += fs.ShortMonthNames[month - 1];
                else if (tok.count >= 4)
                    out += fs.LongMonthNames[month - 1];
                else
                    AppendNumber(out, month, width);
                break;
            case Kind::Year:
                if (tok.count >= 3)
                    AppendNumber(out, year, 4);
                else
                    AppendNumber(out, year % 100, width);
                break;
            case Kind::Hour12:
                AppendNumber(out, hour % 12 == 0 ? 12 : hour % 12, width);
                break;
            case Kind::Hour24:
                AppendNumber(out, hour, width);
                break;
            case Kind::Minute:
                AppendNumber(out, minute, width);
                break;
            case Kind::Second:
                AppendNumber(out, second, width);
                break;
            case Kind::AmPm: {
                const std::string& marker = hour < 12 ? fs.TimeAMString : fs.TimePMString;
                out += tok.count >= 2 ? marker : marker.substr(0, 1);
                break;
            }
        }
    }
    return out;
}

std::string DateToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime(fs.ShortDateFormat, value, fs);
}

std::string TimeToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime(fs.LongTimeFormat, value, fs);
}

std::string DateTimeToStr(TDateTime value, const TFormatSettings& fs) {
    if (!IsValidValue(value)) return std::string();
    int hour, minute, second, msec;
    DecodeTime(value, hour, minute, second, msec);
    if (hour == 0 && minute == 0 && second == 0 && msec == 0) return DateToStr(value, fs);
    return DateToStr(value, fs) + " " + TimeToStr(value, fs);
}

bool TryStrToDate(const std::string& text, TDateTime& result, const TFormatSettings& fs) {
    return Parse(text, DatePatterns(fs), fs, Want::Date, result);
}

bool TryStrToTime(const std::string& text, TDateTime& result, const TFormatSettings& fs) {
    return Parse(text, TimePatterns(fs), fs, Want::Time, result);
}

bool TryStrToDateTime(const std::string& text, TDateTime& result, const TFormatSettings& fs) {
    std::vector<Pattern> dates = DatePatterns(fs);
    std::vector<Pattern> patterns = dates;  // a date alone is midnight
    const Token space{Kind::Space, 0, " "};
    std::vector<Pattern> times = TimePatterns(fs);
    for (const Pattern& date : dates) {
        for (const Pattern& time : times) {
            Pattern p = date;
            p.push_back(space);
            p.insert(p.end(), time.begin(), time.end());
            patterns.push_back(p);
        }
    }
    std::string trimmed = Trim(text);
    if (trimmed.empty()) return false;
    Matcher matcher(trimmed, fs, Want::DateTime);
    TDateTime value = 0;
    for (size_t i = 0; i < patterns.size(); ++i) {
        // A date alone needs no time fields; Combine wants both, so give it midnight.
        bool ok = i < dates.size() ? Parse(trimmed, {patterns[i]}, fs, Want::Date, value)
                                   : matcher.Run(patterns[i], value);
        if (ok) {
            result = value;
            return true;
        }
    }
    return false;
}
