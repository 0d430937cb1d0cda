#pragma once
#include <cstdint>
#include <string>

namespace mediaconv::cli {

// A JSON string literal, quotes included. A byte that is not valid UTF-8
// becomes a lone surrogate \udc80..\udcff, so a file name can be recovered
// exactly (Python: "surrogateescape").
std::string JsonString(const std::string& text);
// The number, or null for the "not known" values (below 0).
std::string JsonCount(int64_t value);
std::string JsonNumber(double value, bool known);

// One JSON object built field by field, in the order given.
class TJsonObject {
 public:
  TJsonObject& Text(const char* key, const std::string& value);
  // null when value is empty.
  TJsonObject& TextOrNull(const char* key, const std::string& value);
  TJsonObject& Count(const char* key, int64_t value);  // null below 0
  TJsonObject& Number(const char* key, double value, bool known = true);
  TJsonObject& Bool(const char* key, bool value);
  // An already formatted JSON value (an array, an object).
  TJsonObject& Raw(const char* key, const std::string& json);
  std::string Str() const { return text_ + "}"; }

 private:
  TJsonObject& Key(const char* key);
  std::string text_ = "{";
};

}  // namespace mediaconv::cli
