#pragma once
// Path and string functions. Paths are UTF-8 with '/' as the separator.

#include <string>

namespace platform {

// The directory part, with its final separator kept ("" when there is none).
std::string ExtractFilePath(const std::string& path);
// The name after the last separator.
std::string ExtractFileName(const std::string& path);
// The extension of the name with its dot ("" when the name has none).
std::string ExtractFileExt(const std::string& path);
// Upper case in the user's locale rules (Unicode-aware for UTF-8 text).
std::string AnsiUpperCase(const std::string& text);
// 0 when equal, negative or positive by order; letter case counts.
int AnsiCompareStr(const std::string& a, const std::string& b);

}  // namespace platform
