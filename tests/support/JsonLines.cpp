#include "support/JsonLines.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonParseError>

#include "support/LogLines.h"

namespace mediaconv::test {

std::vector<QJsonObject> ParseJsonLines(const std::string& text) {
  std::vector<QJsonObject> objects;
  for (const std::string& line : SplitLines(text)) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
      ADD_FAILURE() << "not a JSON object: " << line << " (" << error.errorString().toStdString() << ")";
      continue;
    }
    objects.push_back(document.object());
  }
  return objects;
}

std::vector<QJsonObject> Events(const std::vector<QJsonObject>& objects, const char* event) {
  std::vector<QJsonObject> found;
  for (const QJsonObject& object : objects)
    if (object.value("event").toString() == QString::fromLatin1(event)) found.push_back(object);
  return found;
}

std::string Text(const QJsonObject& object, const char* key) {
  return object.value(QString::fromLatin1(key)).toString().toStdString();
}

}  // namespace mediaconv::test
