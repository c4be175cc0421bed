#pragma once
// The XML of WebDAV, CardDAV and sync (RFC 4918, 6352, 6578) through libxml2: request
// bodies built as element trees, and the multistatus answers read into plain structs.
// Element names are written in Clark notation: "{DAV:}getetag".

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace nrt::dav::xml {

inline constexpr const char* kDav = "DAV:";
inline constexpr const char* kCardDav = "urn:ietf:params:xml:ns:carddav";
inline constexpr const char* kCalendarServer = "http://calendarserver.org/ns/";

// An element of a request body: its name, text and children.
struct Element {
    std::string name; // Clark notation
    std::string text;
    std::vector<Element> children;
};
// The document with `root` as its element, UTF-8 with an XML declaration.
std::string Serialize(const Element& root);
// <propfind><prop> with an empty element per name.
Element Propfind(const std::vector<std::string>& props);

// One property of a 2xx propstat.
struct Property {
    std::string text; // its text, blanks around it removed
    std::vector<std::string> hrefs; // the {DAV:}href elements inside it
    std::vector<std::string> children; // names of the elements inside it, at any depth
};

struct Response {
    std::vector<std::string> hrefs; // usually one
    long status = 0; // the response's own status, 0 when it has only propstats
    std::map<std::string, Property> props; // found properties by name
};

struct MultiStatus {
    std::vector<Response> responses;
    std::string syncToken; // of a sync-collection answer
};

// False when the text is not a {DAV:}multistatus document.
bool ParseMultiStatus(std::string_view text, MultiStatus* out);
// True when the text is a {DAV:}error naming the precondition `name` (Clark).
bool HasPrecondition(std::string_view text, const std::string& name);
// The number of a status line "HTTP/1.1 404 Not Found"; 0 when there is none.
long StatusOf(std::string_view line);

} // namespace nrt::dav::xml
