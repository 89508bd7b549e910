#pragma once
// The results report as text: lines joined with CR LF when saved, read back with either line end.

#include <ctime>
#include <string>
#include <vector>

namespace vr::search {

inline constexpr const char* kFilePrefix = "File:";

std::string ReportText(const std::vector<std::string>& lines);
std::vector<std::string> ParseReportText(const std::string& text);
// The path of a file line, empty for any other line.
std::string FileOfLine(const std::string& line);
// Local date and time of the start and end lines: "YYYY-MM-DD" and "HH:MM:SS".
std::string ReportDate(std::time_t when);
std::string ReportTime(std::time_t when);

}  // namespace vr::search
