#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "app/profile_store.h"
#include "system/tips_reader.h"

namespace wavelore {

// What the "Tip of the Day" dialog shows and keeps: the tip, whether tips
// show at start-up, and where in the tips file the next one starts. Every
// object reads one tip when it is made and stores the position after it
// when it goes, so each opening (and each start of the program) moves one
// tip on. A changed file starts again from its first tip.
class CTipOfTheDay {
  public:
    static constexpr std::u16string_view kSection = u"Tip";

    // profile: section "Tip" ("StartUp", "FilePos", "TimeStamp"); file:
    // the tips file; seekTrouble: called when a position in the file
    // cannot be reached (the dialog shows a message and goes on).
    CTipOfTheDay(IProfileStore& profile, const std::filesystem::path& file,
                 std::function<void()> seekTrouble);
    // Stores the position of the next tip when the file is open.
    ~CTipOfTheDay();
    CTipOfTheDay(const CTipOfTheDay&) = delete;
    CTipOfTheDay& operator=(const CTipOfTheDay&) = delete;

    // "StartUp" is 0.
    bool ShowAtStartUp() const { return m_showAtStartUp; }
    // False when the file could not be opened: then there is no next tip.
    bool FileOpen() const { return m_reader.IsOpen(); }
    // The current tip with its line feed; empty when none was found.
    const std::u16string& Tip() const { return m_tip; }

    void Next();
    // The dialog's "Close": stores "StartUp" from the check box.
    void Close(bool showAtStartUp);

  private:
    IProfileStore& m_profile;
    std::function<void()> m_seekTrouble;
    CTipsReader m_reader;
    bool m_showAtStartUp = true;
    std::u16string m_tip;
};

}  // namespace wavelore
