// The pages the host serves: an in-memory table filled by the script and a
// directory of HTML files, both read into the elements that the browser's
// document model hands out (all elements in document order; title and meta
// elements with their texts).
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tb::host {

struct Element {
    enum class Kind { Other, Title, Meta };
    Kind kind = Kind::Other;
    std::string tag;                     // lower case
    std::optional<std::string> text;     // a title's text
    std::optional<std::string> name;     // a meta element's name attribute
    std::optional<std::string> content;  // and its content attribute
    std::optional<std::string> src;      // a frame's or iframe's address
};

struct Page {
    std::string url;
    std::vector<Element> elements;
    bool found = false;  // served from the table or a file
};

// The elements of an HTML text: every start tag in order; a title's text up
// to its end tag; the name and content attributes of meta tags (entities
// decoded). Comments, declarations and end tags make no elements.
std::vector<Element> scanHtml(const std::string& html);

// A page of the table: html, head, the title, the meta elements in order,
// body, then an iframe for each frame address.
std::vector<Element> tablePage(const std::optional<std::string>& title,
                               const std::vector<std::pair<std::string, std::string>>& metas,
                               const std::vector<std::string>& frames = {});

// The addresses of a page's frames, in document order.
std::vector<std::string> frameAddresses(const std::vector<Element>& elements);

// The address as the browser hands it to its plug-ins: a drive path
// (C:\My Pages\a.htm) becomes a file address (file:///C:/My%20Pages/a.htm);
// everything else stays as given.
std::string canonicalAddress(const std::string& url);

// Where a web address is found below the pages directory: host and path,
// without scheme, query and fragment, "index.html" for a directory.
std::optional<std::string> relativePathFor(const std::string& url);
// The local file of a file: address ("file:///C:/a%20b.htm" is "C:/a b.htm").
std::optional<std::string> localPathFor(const std::string& url);

class PageSource {
  public:
    void setDirectory(const std::string& directory);
    void define(const std::string& url, std::vector<Element> elements);
    // The address cannot be reached: a browser control shows its error page.
    void markUnreachable(const std::string& url);
    bool unreachable(const std::string& url) const;

    // Table first, then the pages directory, then local files; anything
    // else is an empty document (html, head, body).
    Page load(const std::string& url) const;

  private:
    std::optional<std::string> readFile(const std::string& path) const;

    mutable std::mutex lock_;
    std::string directory_;
    std::map<std::string, std::vector<Element>> table_;
    std::set<std::string> unreachable_;
};

}  // namespace tb::host
