#pragma once

#include <string>
#include <string_view>

namespace wavelore {

// Which messages the user wants alarmed and sent on: the stations (B1) and
// the subjects (B2) chosen, each a set of letters A to Z. The subjects A
// (navigational warnings), B (meteorological warnings), D (search and
// rescue) and L (navigational warnings additional to A) cannot be left
// out, as on certified receivers. A message outside the selection is still
// stored and indexed.
class CMessageSelection {
  public:
    static constexpr std::u16string_view kAllLetters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static constexpr std::u16string_view kFixedSubjects = u"ABDL";

    // Everything selected.
    CMessageSelection() = default;
    // Letters as the settings or the command line give them (see Letters).
    CMessageSelection(std::u16string_view stations, std::u16string_view subjects);

    // The letters A to Z that text holds, upper-cased, in alphabetical
    // order, each once; everything else in it is ignored.
    static std::u16string Letters(std::u16string_view text);
    // Letters(text) with the fixed subjects always added.
    static std::u16string SubjectLetters(std::u16string_view text);
    static bool IsFixedSubject(char16_t b2);

    // Both as Letters and SubjectLetters give them.
    const std::u16string& Stations() const { return m_stations; }
    const std::u16string& Subjects() const { return m_subjects; }

    // b1 and b2 are compared after narrowing and upper-casing; a letter
    // outside A to Z (or none) is not selected, but a fixed subject is
    // always selected from a selected station.
    bool IsSelected(std::u16string_view b1, std::u16string_view b2) const;

  private:
    std::u16string m_stations{kAllLetters};
    std::u16string m_subjects{kAllLetters};
};

}  // namespace wavelore
