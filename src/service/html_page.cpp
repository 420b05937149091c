#include "service/html_page.h"

#include "common/markup_text.h"

namespace wavelore::service {

std::string HtmlEscape(std::string_view text) {
    return EscapeMarkup(text);
}

CHtmlPage::CHtmlPage(std::string siteTitle, std::string title)
    : m_siteTitle(std::move(siteTitle)), m_title(std::move(title)) {}

void CHtmlPage::AddFeed(std::string title, std::string href) {
    m_feeds.emplace_back(std::move(title), std::move(href));
}

CHtmlPage& CHtmlPage::Markup(std::string_view html) {
    m_main += html;
    return *this;
}

CHtmlPage& CHtmlPage::Text(std::string_view text) {
    m_main += HtmlEscape(text);
    return *this;
}

std::string CHtmlPage::Render() const {
    std::string out;
    out.reserve(m_main.size() + 2048);
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    out += "<title>" + HtmlEscape(m_title) + " - " + HtmlEscape(m_siteTitle) + "</title>\n";
    out += "<link rel=\"stylesheet\" href=\"/style.css\">\n";
    for (const auto& [title, href] : m_feeds) {
        out += "<link rel=\"alternate\" type=\"application/atom+xml\" title=\"" +
               HtmlEscape(title) + "\" href=\"" + HtmlEscape(href) + "\">\n";
    }
    out += "</head>\n<body>\n<a class=\"skip\" href=\"#main\">Skip to content</a>\n";
    out += "<header class=\"site\">\n<p class=\"site-title\"><a href=\"/\">" +
           HtmlEscape(m_siteTitle) + "</a></p>\n";
    out += "<nav aria-label=\"Site\">\n<ul>\n<li><a href=\"/\">Latest messages</a></li>\n";
    out += "<li><a href=\"/receivers\">Receivers</a></li>\n";
    out += "<li><a href=\"/feed.atom\">Atom feed</a></li>\n";
    out += "<li><a href=\"/api\">JSON API</a></li>\n";
    if (m_signUp) {
        out += "<li><a href=\"/cgi-bin/navtex/register.cgi\">Sign up a receiver</a></li>\n";
    }
    out += "</ul>\n</nav>\n</header>\n<main id=\"main\">\n";
    out += m_main;
    out +=
        "</main>\n<footer class=\"site\">\n<p>NAVTEX messages as the receivers of this "
        "network heard them. Times are UTC. Not for navigation: the official broadcast "
        "is.</p>\n</footer>\n</body>\n</html>\n";
    return out;
}

std::string_view ServiceStyleSheet() {
    return R"css(:root {
  color-scheme: light;
  --ink: #1b1f24;
  --muted: #4a5360;
  --paper: #ffffff;
  --band: #0b3d62;
  --link: #0a58a8;
  --rule: #c9d1da;
  --mark: #fff4c2;
}
* { box-sizing: border-box; }
html { font-size: 100%; }
body {
  margin: 0;
  font-family: system-ui, -apple-system, "Segoe UI", Roboto, "DejaVu Sans", sans-serif;
  line-height: 1.5;
  color: var(--ink);
  background: var(--paper);
}
a { color: var(--link); }
a:focus-visible, button:focus-visible, input:focus-visible, select:focus-visible,
summary:focus-visible, [tabindex]:focus-visible {
  outline: 3px solid #c75c00;
  outline-offset: 2px;
}
.skip { position: absolute; left: -999px; top: 0; background: var(--paper); padding: .5rem; }
.skip:focus { left: .5rem; }
header.site { background: var(--band); color: #fff; padding: .5rem 1rem; }
header.site a { color: #fff; }
.site-title { margin: 0; font-weight: 700; font-size: 1.15rem; }
header.site ul { list-style: none; margin: .25rem 0 0; padding: 0; display: flex; flex-wrap: wrap; gap: .25rem 1.25rem; }
main { max-width: 60rem; margin: 0 auto; padding: 1rem; }
h1 { font-size: 1.6rem; margin: .5rem 0 1rem; }
h2 { font-size: 1.2rem; margin: 1.5rem 0 .5rem; }
li h2 { margin: 0; }
form.filters { display: grid; grid-template-columns: repeat(auto-fit, minmax(9rem, 1fr)); gap: .75rem; align-items: end; margin-bottom: 1rem; }
form.filters .wide { grid-column: 1 / -1; }
label { display: block; font-weight: 600; font-size: .9rem; }
input, select, button { font: inherit; width: 100%; padding: .4rem .5rem; border: 1px solid var(--muted); border-radius: 4px; background: var(--paper); color: var(--ink); min-height: 2.75rem; }
button { background: var(--band); color: #fff; border-color: var(--band); cursor: pointer; }
ol.messages { list-style: none; padding: 0; margin: 0; }
ol.messages > li { border-top: 1px solid var(--rule); padding: .75rem 0; }
.meta { color: var(--muted); margin: .25rem 0; font-size: .95rem; }
.subject-important { font-weight: 700; }
pre.text { white-space: pre-wrap; overflow-wrap: anywhere; font-family: "DejaVu Sans Mono", Menlo, Consolas, monospace; font-size: .95rem; background: #f4f6f8; padding: .5rem .75rem; border-radius: 4px; margin: .5rem 0 0; }
.table-wrap { overflow-x: auto; }
table { border-collapse: collapse; width: 100%; }
caption { text-align: left; font-weight: 700; padding: .25rem 0; }
th, td { text-align: left; padding: .4rem .5rem; border-bottom: 1px solid var(--rule); vertical-align: top; }
nav.pages { margin: 1rem 0; }
.notice { background: var(--mark); padding: .75rem 1rem; border-radius: 4px; }
code.id { font-size: 1.15rem; overflow-wrap: anywhere; }
footer.site { border-top: 1px solid var(--rule); color: var(--muted); padding: 1rem; max-width: 60rem; margin: 2rem auto 0; font-size: .9rem; }
dl.facts { display: grid; grid-template-columns: max-content 1fr; gap: .25rem 1rem; }
dl.facts dt { font-weight: 600; }
dl.facts dd { margin: 0; }
@media (max-width: 30rem) {
  main { padding: .75rem; }
  h1 { font-size: 1.35rem; }
  dl.facts { grid-template-columns: 1fr; }
  dl.facts dd { margin-bottom: .5rem; }
}
)css";
}

}  // namespace wavelore::service
