#include "cli/record/record_time.h"

#include <cstdio>

namespace cli {
namespace {

bool Digits(const std::string& text, std::size_t at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

std::string Format(int year, int month, int day, int hour, int minute, int second) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day, hour, minute,
                second);
  return text;
}

}  // namespace

std::string UtcText(std::chrono::system_clock::time_point moment) {
  using namespace std::chrono;
  const auto day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss time{floor<seconds>(moment - day)};
  return Format(static_cast<int>(date.year()), static_cast<int>(unsigned(date.month())),
                static_cast<int>(unsigned(date.day())), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
}

std::optional<std::string> RecordTimeOf(const std::string& given) {
  std::string text = given;
  if (!text.empty() && (text.back() == 'Z' || text.back() == 'z')) text.pop_back();
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!Digits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' ||
      !Digits(text, 5, 2, month) || text[7] != '-' || !Digits(text, 8, 2, day)) {
    return std::nullopt;
  }
  if (text.size() > 10) {
    if (text[10] != 'T' && text[10] != 't' && text[10] != ' ') return std::nullopt;
    if (!Digits(text, 11, 2, hour) || text.size() < 16 || text[13] != ':' ||
        !Digits(text, 14, 2, minute)) {
      return std::nullopt;
    }
    if (text.size() > 16 &&
        (text.size() != 19 || text[16] != ':' || !Digits(text, 17, 2, second))) {
      return std::nullopt;
    }
  }
  using namespace std::chrono;
  const year_month_day date{std::chrono::year(year), std::chrono::month(unsigned(month)),
                            std::chrono::day(unsigned(day))};
  if (!date.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  return Format(year, month, day, hour, minute, second);
}

}  // namespace cli
