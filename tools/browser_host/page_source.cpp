#include "tools/browser_host/page_source.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tb::host {

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool startsWithNoCase(const std::string& text, size_t pos, const std::string& head) {
    if (text.size() - pos < head.size()) return false;
    for (size_t i = 0; i < head.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[pos + i])) != head[i]) return false;
    }
    return true;
}

std::string decodeEntities(const std::string& s) {
    static const std::pair<const char*, const char*> named[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const size_t semi = s[i] == '&' ? s.find(';', i) : std::string::npos;
        if (semi == std::string::npos || semi - i > 10) {
            out += s[i];
            continue;
        }
        const std::string entity = s.substr(i + 1, semi - i - 1);
        std::optional<std::string> value;
        if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            const long code = std::strtol(entity.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
            if (code > 0 && code < 256) value = std::string(1, static_cast<char>(code));
        } else {
            for (const auto& [name, text] : named) {
                if (entity == name) value = text;
            }
        }
        if (!value) {
            out += s[i];
            continue;
        }
        out += *value;
        i = semi;
    }
    return out;
}

// Attributes of a start tag from just after its name to its '>'.
std::map<std::string, std::string> attributesOf(const std::string& tag) {
    std::map<std::string, std::string> out;
    size_t i = 0;
    while (i < tag.size()) {
        while (i < tag.size() &&
               (std::isspace(static_cast<unsigned char>(tag[i])) || tag[i] == '/'))
            ++i;
        const size_t nameStart = i;
        while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i])) &&
               tag[i] != '=' && tag[i] != '/')
            ++i;
        const std::string name = lower(tag.substr(nameStart, i - nameStart));
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
        std::string value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char q = tag[i++];
                const size_t end = tag.find(q, i);
                value = tag.substr(i, end == std::string::npos ? std::string::npos : end - i);
                i = end == std::string::npos ? tag.size() : end + 1;
            } else {
                const size_t start = i;
                while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
                value = tag.substr(start, i - start);
            }
        }
        if (!name.empty()) out.emplace(name, decodeEntities(value));
        if (i == nameStart) ++i;
    }
    return out;
}

std::string percentDecoded(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() &&
            std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

Element plain(const char* tag) {
    Element e;
    e.tag = tag;
    return e;
}

}  // namespace

std::vector<Element> scanHtml(const std::string& html) {
    std::vector<Element> out;
    size_t pos = 0;
    while ((pos = html.find('<', pos)) != std::string::npos) {
        if (html.compare(pos, 4, "<!--") == 0) {
            const size_t end = html.find("-->", pos + 4);
            pos = end == std::string::npos ? html.size() : end + 3;
            continue;
        }
        const size_t close = html.find('>', pos);
        if (close == std::string::npos) break;
        const std::string inner = html.substr(pos + 1, close - pos - 1);
        pos = close + 1;
        if (inner.empty() || inner[0] == '/' || inner[0] == '!' || inner[0] == '?' ||
            !std::isalpha(static_cast<unsigned char>(inner[0])))
            continue;
        size_t nameEnd = 0;
        while (nameEnd < inner.size() && std::isalnum(static_cast<unsigned char>(inner[nameEnd])))
            ++nameEnd;
        Element e;
        e.tag = lower(inner.substr(0, nameEnd));
        if (e.tag == "title") {
            e.kind = Element::Kind::Title;
            size_t end = pos;
            while ((end = html.find('<', end)) != std::string::npos &&
                   !startsWithNoCase(html, end, "</title"))
                ++end;
            e.text = decodeEntities(
                html.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
            if (end != std::string::npos) pos = end;
        } else if (e.tag == "meta") {
            e.kind = Element::Kind::Meta;
            const auto attributes = attributesOf(inner.substr(nameEnd));
            if (auto it = attributes.find("name"); it != attributes.end()) e.name = it->second;
            if (auto it = attributes.find("content"); it != attributes.end())
                e.content = it->second;
        } else if (e.tag == "iframe" || e.tag == "frame") {
            const auto attributes = attributesOf(inner.substr(nameEnd));
            if (auto it = attributes.find("src"); it != attributes.end()) e.src = it->second;
        }
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<Element> tablePage(const std::optional<std::string>& title,
                               const std::vector<std::pair<std::string, std::string>>& metas,
                               const std::vector<std::string>& frames) {
    std::vector<Element> out = {plain("html"), plain("head")};
    if (title) {
        Element t = plain("title");
        t.kind = Element::Kind::Title;
        t.text = title;
        out.push_back(std::move(t));
    }
    for (const auto& [name, content] : metas) {
        Element m = plain("meta");
        m.kind = Element::Kind::Meta;
        m.name = name;
        m.content = content;
        out.push_back(std::move(m));
    }
    out.push_back(plain("body"));
    for (const std::string& address : frames) {
        Element f = plain("iframe");
        f.src = address;
        out.push_back(std::move(f));
    }
    return out;
}

std::vector<std::string> frameAddresses(const std::vector<Element>& elements) {
    std::vector<std::string> out;
    for (const Element& e : elements) {
        if (e.src) out.push_back(*e.src);
    }
    return out;
}

std::string canonicalAddress(const std::string& url) {
    const bool drivePath = url.size() > 2 && std::isalpha(static_cast<unsigned char>(url[0])) &&
                           url[1] == ':' && (url[2] == '\\' || url[2] == '/');
    if (!drivePath) return url;
    std::string out = "file:///";
    for (char c : url) {
        if (c == '\\') {
            out += '/';
        } else if (c == ' ') {
            out += "%20";
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> relativePathFor(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return std::nullopt;
    const std::string kind = lower(url.substr(0, scheme));
    if (kind != "http" && kind != "https" && kind != "ftp") return std::nullopt;
    std::string rest = url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (rest.empty()) return std::nullopt;
    if (rest.find('/') == std::string::npos) rest += '/';
    if (rest.back() == '/') rest += "index.html";
    std::string path = lower(rest.substr(0, rest.find('/'))) + rest.substr(rest.find('/'));
    path = percentDecoded(path);
    // Nothing may leave the pages directory.
    if (path.find("..") != std::string::npos || path.find(':') != std::string::npos)
        return std::nullopt;
    return path;
}

std::optional<std::string> localPathFor(const std::string& url) {
    if (lower(url.substr(0, 5)) != "file:") return std::nullopt;
    std::string rest = url.substr(5);
    while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
    rest = percentDecoded(rest.substr(0, rest.find_first_of("?#")));
    if (rest.empty()) return std::nullopt;
    // A drive path stays as it is; anything else is taken from the root.
    if (!(rest.size() > 1 && rest[1] == ':')) rest = "/" + rest;
    return rest;
}

void PageSource::setDirectory(const std::string& directory) {
    std::lock_guard<std::mutex> hold(lock_);
    directory_ = directory;
    while (!directory_.empty() && (directory_.back() == '/' || directory_.back() == '\\'))
        directory_.pop_back();
}

void PageSource::define(const std::string& url, std::vector<Element> elements) {
    std::lock_guard<std::mutex> hold(lock_);
    table_[url] = std::move(elements);
}

void PageSource::markUnreachable(const std::string& url) {
    std::lock_guard<std::mutex> hold(lock_);
    unreachable_.insert(url);
}

bool PageSource::unreachable(const std::string& url) const {
    std::lock_guard<std::mutex> hold(lock_);
    return unreachable_.count(url) != 0;
}

std::optional<std::string> PageSource::readFile(const std::string& path) const {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Page PageSource::load(const std::string& url) const {
    Page page;
    page.url = url;
    std::string directory;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (auto it = table_.find(url); it != table_.end()) {
            page.elements = it->second;
            page.found = true;
            return page;
        }
        directory = directory_;
    }
    std::optional<std::string> html;
    if (!directory.empty()) {
        if (std::optional<std::string> relative = relativePathFor(url)) {
            html = readFile(directory + "/" + *relative);
            if (!html) html = readFile(directory + "/" + *relative + "/index.html");
        }
    }
    if (!html) {
        if (std::optional<std::string> local = localPathFor(url)) html = readFile(*local);
    }
    if (html) {
        page.elements = scanHtml(*html);
        page.found = true;
    } else {
        page.elements = {plain("html"), plain("head"), plain("body")};
    }
    return page;
}

}  // namespace tb::host
