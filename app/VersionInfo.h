#pragma once
// The program's version record.

namespace version_info {

constexpr const char* kFileVersion = "1.0.0.0";
constexpr const char* kProductVersion = "1.0.0.0";
constexpr const char* kFileDescription = "ZARVO A1.xx to A2.xx DataBase Converter v1.0";
constexpr const char* kCompanyName = "ZARVO";
constexpr const char* kComments = "https://www.zarvo.example/";
constexpr const char* kApplicationName = "zcn-converter";
constexpr const char* kDesktopFileName = "example.zarvo.zcnconverter";

}  // namespace version_info

class QIcon;

namespace version_info {

// The icon MAINICON in its five sizes.
QIcon MainIcon();
// Makes the version record and the icon known to the running program.
void Apply();

}  // namespace version_info
