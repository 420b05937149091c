#pragma once

#include <string>
#include <string_view>

namespace wavelore::service {

// "Niton": the station B1 names in a NAVAREA, or empty when the station
// list has none there.
std::string StationName(int navArea, std::string_view b1);
// "Navigational warning": the subject B2 names.
std::string SubjectName(std::string_view b2);
// One header letter A-Z as the receiver narrows it (a lower-case one is
// raised); false for anything else.
bool ReadHeaderLetter(std::string_view text, std::string& out);

// "EA12": B1, B2 and the serial number, as the header reads.
std::string Identity(std::string_view b1, std::string_view b2, std::string_view number);

}  // namespace wavelore::service
