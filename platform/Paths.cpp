#include "platform/Paths.h"

#include <QString>

namespace platform {

std::string ExtractFilePath(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const auto dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string AnsiUpperCase(const std::string& text) {
  return QString::fromUtf8(text.c_str(), static_cast<qsizetype>(text.size())).toUpper().toStdString();
}

int AnsiCompareStr(const std::string& a, const std::string& b) {
  const int order = QString::fromStdString(a).localeAwareCompare(QString::fromStdString(b));
  if (order != 0) return order;
  return a.compare(b);  // the locale may treat different texts as equal; they are not
}

}  // namespace platform
