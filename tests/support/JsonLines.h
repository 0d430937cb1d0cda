#pragma once
// Output of --json, read back with a real JSON parser.
#include <QJsonArray>
#include <QJsonObject>
#include <string>
#include <vector>

namespace mediaconv::test {

// Each line of text as a JSON object; a line that is not one fails the
// current test and is left out.
std::vector<QJsonObject> ParseJsonLines(const std::string& text);
// The objects whose "event" is event.
std::vector<QJsonObject> Events(const std::vector<QJsonObject>& objects, const char* event);
std::string Text(const QJsonObject& object, const char* key);

}  // namespace mediaconv::test
