#include "http/HttpDate.h"

#include <array>
#include <cctype>
#include <charconv>
#include <ctime>
#include <string_view>

namespace mediaconv::http {

namespace {

constexpr std::array<std::string_view, 7> kDayNames{"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
constexpr std::array<std::string_view, 12> kMonthNames{"jan", "feb", "mar", "apr", "may", "jun",
                                                       "jul", "aug", "sep", "oct", "nov", "dec"};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool StartsWithName(std::string_view text, std::string_view lowerName) {
  if (text.size() < lowerName.size()) return false;
  for (size_t i = 0; i < lowerName.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != lowerName[i]) return false;
  return true;
}

// The month (1..12) that text begins with, or 0.
int MonthOf(std::string_view text) {
  for (size_t i = 0; i < kMonthNames.size(); ++i)
    if (StartsWithName(text, kMonthNames[i])) return int(i) + 1;
  return 0;
}

bool ReadInt(std::string_view text, int& value) {
  text = Trim(text);
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

int IntOr(std::string_view text, int fallback) {
  int value = 0;
  return ReadInt(text, value) ? value : fallback;
}

// The text before separator; rest becomes what follows it, trimmed.
std::string_view Cut(std::string_view& rest, char separator) {
  const size_t at = rest.find(separator);
  std::string_view field = rest.substr(0, at);
  rest = at == std::string_view::npos ? std::string_view() : Trim(rest.substr(at + 1));
  return Trim(field);
}

int64_t DaysFromCivil(int year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yoe = unsigned(year - era * 400);
  const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

bool ReadTime(std::string_view text, int& hour, int& minute, int& second) {
  int* parts[3] = {&hour, &minute, &second};
  hour = minute = second = 0;
  for (int* part : parts) {
    if (text.empty()) break;
    if (!ReadInt(Cut(text, ':'), *part)) return false;
  }
  return true;
}

// Steps up to the time of day; false on any failure.
bool ParseUniversal(std::string_view text, TDateTime& result, std::string_view& rest) {
  for (std::string_view day : kDayNames) {
    if (!StartsWithName(text, day)) continue;
    const size_t blank = text.find(' ');
    if (blank == std::string_view::npos) return false;
    text = Trim(text.substr(blank + 1));
    break;
  }
  const size_t firstBlank = text.find(' ');
  const size_t dash = text.find('-', 1);
  const char separator = dash != std::string_view::npos && dash < firstBlank ? '-' : ' ';

  rest = text;
  int day = 1;
  int month = MonthOf(rest);
  if (month != 0) {
    Cut(rest, separator);
    day = IntOr(Cut(rest, separator), 1);
  } else {
    day = IntOr(Cut(rest, separator), 1);
    month = MonthOf(Cut(rest, separator));
    if (month == 0) return false;
  }
  std::string_view yearField = Cut(rest, ' ');
  int year = IntOr(yearField, 1900);
  if (year == 1900) {
    // asctime: the time comes before the year.
    year = IntOr(rest, 1900);
    rest = yearField;
  }
  if (year < 80)
    year += 2000;
  else if (year < 100)
    year += 1900;
  int hour = 0, minute = 0, second = 0;
  if (rest.find(':') != std::string_view::npos && !ReadTime(Cut(rest, ' '), hour, minute, second))
    return false;
  return EncodeDateTime(year, month, day, hour, minute, second, result);
}

}  // namespace

bool EncodeDateTime(int year, int month, int day, int hour, int minute, int second, TDateTime& result) {
  static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kMonthDays[month - 1] + (month == 2 && leap ? 1 : 0)) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  const int64_t days = DaysFromCivil(year, unsigned(month), unsigned(day)) - DaysFromCivil(1899, 12, 30);
  result = double(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
  return true;
}

TDateTime GmtOffsetStrToDateTime(const std::string& text) {
  if (text.size() < 5 || (text[0] != '+' && text[0] != '-')) return 0;
  int hours = 0, minutes = 0;
  if (!ReadInt(std::string_view(text).substr(1, 2), hours) ||
      !ReadInt(std::string_view(text).substr(3, 2), minutes))
    return 0;
  const TDateTime offset = hours / 24.0 + minutes / 1440.0;
  return text[0] == '-' ? -offset : offset;
}

TDateTime CurrentLocalBias() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return double(local.tm_gmtoff) / 86400.0;
}

TDateTime HttpDateToDateTime(const std::string& text) {
  const std::string_view trimmed = Trim(text);
  if (trimmed.empty()) return 0;
  TDateTime result = 0;
  std::string_view rest;
  if (!ParseUniversal(trimmed, result, rest)) return 0;
  if (rest.size() > 4) result -= GmtOffsetStrToDateTime(std::string(rest.substr(0, 5)));
  return result + CurrentLocalBias();
}

}  // namespace mediaconv::http
