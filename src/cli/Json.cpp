#include "cli/Json.h"

#include "cli/TerminalText.h"

#include <cmath>
#include <cstdio>

namespace mediaconv::cli {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t length = Utf8Length(text, i);
    if (length == 0) {
      // Not UTF-8 (a Linux name is any bytes): the byte as a lone low
      // surrogate U+DC80..U+DCFF, which a reader can turn back into it
      // (Python: name.encode("utf-8", "surrogateescape")).
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\udc%02x", c);
      out += escape;
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  return out + "\"";
}

std::string JsonCount(int64_t value) { return value < 0 ? "null" : std::to_string(value); }

std::string JsonNumber(double value, bool known) {
  if (!known || !std::isfinite(value)) return "null";
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

TJsonObject& TJsonObject::Key(const char* key) {
  if (text_.size() > 1) text_ += ",";
  text_ += JsonString(key) + ":";
  return *this;
}

TJsonObject& TJsonObject::Text(const char* key, const std::string& value) {
  Key(key).text_ += JsonString(value);
  return *this;
}

TJsonObject& TJsonObject::TextOrNull(const char* key, const std::string& value) {
  Key(key).text_ += value.empty() ? "null" : JsonString(value);
  return *this;
}

TJsonObject& TJsonObject::Count(const char* key, int64_t value) {
  Key(key).text_ += JsonCount(value);
  return *this;
}

TJsonObject& TJsonObject::Number(const char* key, double value, bool known) {
  Key(key).text_ += JsonNumber(value, known);
  return *this;
}

TJsonObject& TJsonObject::Bool(const char* key, bool value) {
  Key(key).text_ += value ? "true" : "false";
  return *this;
}

TJsonObject& TJsonObject::Raw(const char* key, const std::string& json) {
  Key(key).text_ += json;
  return *this;
}

}  // namespace mediaconv::cli
