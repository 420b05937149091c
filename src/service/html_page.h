#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wavelore::service {

// text for HTML or XML content and attribute values: & < > " ' escaped,
// control characters XML does not allow (all below U+0020 but tab, line
// feed and carriage return) shown as U+FFFD.
std::string HtmlEscape(std::string_view text);

// One server-rendered page in the service's frame: language, viewport for
// phones, the style sheet, a skip link, the site's navigation, one main
// landmark with the page's content, and a footer. No script.
class CHtmlPage {
  public:
    CHtmlPage(std::string siteTitle, std::string title);

    // A feed for this page's messages, named in the head for feed readers.
    void AddFeed(std::string title, std::string href);
    // The sign-up link in the navigation.
    void ShowSignUp(bool show) { m_signUp = show; }

    // Appends markup as it stands (ours) or text escaped (anyone's).
    CHtmlPage& Markup(std::string_view html);
    CHtmlPage& Text(std::string_view text);

    std::string Render() const;

  private:
    std::string m_siteTitle;
    std::string m_title;
    std::vector<std::pair<std::string, std::string>> m_feeds;
    bool m_signUp = false;
    std::string m_main;
};

// The service's style sheet: readable on a phone, visible focus, colours
// with at least 4.5:1 contrast.
std::string_view ServiceStyleSheet();

}  // namespace wavelore::service
