#pragma once
// Turns the lines of an FTP LIST reply into entries: name, size, folder marker, link target, date
// and time. Four line styles are read: UNIX long listings, DOS/IIS, VMS and AS/400. Lines that
// cannot be read are dropped.

#include <string>
#include <vector>

namespace vr::ftp {

enum FtpListingStyle {
  kListingNone = 0,
  kListingUnix = 1,
  kListingDos = 2,
  kListingVms = 3,
  kListingAs400 = 4
};

// Rewrites `lines` in place to the entries' names and fills the parallel lists (one position per
// entry). Returns the style of the last line read. UNIX lines that give a time instead of a year
// take the current local year.
int ParseFtpListing(std::vector<std::string>& lines, std::vector<std::string>& sizes,
                    std::vector<std::string>& kinds, std::vector<std::string>& links,
                    std::vector<std::string>& dates, std::vector<std::string>& times);
// The same with the year given (tests, callers with their own clock).
int ParseFtpListing(std::vector<std::string>& lines, std::vector<std::string>& sizes,
                    std::vector<std::string>& kinds, std::vector<std::string>& links,
                    std::vector<std::string>& dates, std::vector<std::string>& times,
                    int current_year);

// The pieces, exposed for the tests of their rules.
int FtpMonthNumber(const std::string& word);             // 1..12, 0 when no month
std::string FtpNormalisedTime(const std::string& word);  // 01:15PM -> 13:15
std::string FtpNormalisedDate(const std::string& date);  // 12/MAR/2001 -> 03/12/2001
std::string FtpDosDate(const std::string& date);         // 10-05-99 -> 10/05/1999

}  // namespace vr::ftp
