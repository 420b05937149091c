#pragma once

#include <string>
#include <string_view>

namespace wavelore::service {

// "Niton": the station B1 names in a NAVAREA, or empty when the station
// list has none there.
std::string StationName(int navArea, std::string_view b1);
// "Navigational warning": the subject B2 names.
std::string SubjectName(std::string_view b2);
// "EA12": B1, B2 and the serial number, as the header reads.
std::string Identity(std::string_view b1, std::string_view b2, std::string_view number);

}  // namespace wavelore::service
