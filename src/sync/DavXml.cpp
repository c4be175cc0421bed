#include "sync/DavXml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <charconv>
#include <memory>

namespace nrt::dav::xml {
namespace {

const xmlChar* X(const char* s)
{
    return reinterpret_cast<const xmlChar*>(s);
}

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

Doc Parse(std::string_view text)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT32_MAX))
        return nullptr;
    // No network, no entity expansion, no DTD loading: the answer is data, not instructions.
    Doc doc(xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE));
    // A DAV answer has no document type; one that declares entities is refused whole.
    if (doc && (doc->intSubset || doc->extSubset))
        return nullptr;
    return doc;
}

std::string NameOf(const xmlNode* n)
{
    std::string name = "{";
    if (n->ns && n->ns->href)
        name += reinterpret_cast<const char*>(n->ns->href);
    name += "}";
    name += reinterpret_cast<const char*>(n->name);
    return name;
}

bool Is(const xmlNode* n, const char* ns, const char* local)
{
    return n->type == XML_ELEMENT_NODE && n->ns && n->ns->href && xmlStrEqual(n->ns->href, X(ns))
        && xmlStrEqual(n->name, X(local));
}

std::string Trim(std::string s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string TextOf(const xmlNode* n)
{
    xmlChar* content = xmlNodeGetContent(n);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

void CollectInside(const xmlNode* n, Property* prop)
{
    for (const xmlNode* c = n->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE)
            continue;
        prop->children.push_back(NameOf(c));
        if (Is(c, kDav, "href"))
            prop->hrefs.push_back(Trim(TextOf(c)));
        else
            CollectInside(c, prop);
    }
}

Property ReadProperty(const xmlNode* p)
{
    Property prop;
    prop.text = Trim(TextOf(p));
    CollectInside(p, &prop);
    return prop;
}

Response ReadResponse(const xmlNode* r)
{
    Response response;
    for (const xmlNode* c = r->children; c; c = c->next) {
        if (Is(c, kDav, "href")) {
            response.hrefs.push_back(Trim(TextOf(c)));
        } else if (Is(c, kDav, "status")) {
            response.status = StatusOf(TextOf(c));
        } else if (Is(c, kDav, "propstat")) {
            long status = 0;
            const xmlNode* prop = nullptr;
            for (const xmlNode* s = c->children; s; s = s->next) {
                if (Is(s, kDav, "status"))
                    status = StatusOf(TextOf(s));
                else if (Is(s, kDav, "prop"))
                    prop = s;
            }
            if (prop && status >= 200 && status < 300)
                for (const xmlNode* p = prop->children; p; p = p->next)
                    if (p->type == XML_ELEMENT_NODE)
                        response.props[NameOf(p)] = ReadProperty(p);
        }
    }
    return response;
}

// Splits "{ns}local" into its parts.
void SplitName(const std::string& clark, std::string* ns, std::string* local)
{
    const auto close = clark.find('}');
    *ns = clark.substr(1, close - 1);
    *local = clark.substr(close + 1);
}

void Build(xmlNode* parent, const Element& e, std::map<std::string, xmlNs*>* spaces)
{
    std::string ns, local;
    SplitName(e.name, &ns, &local);
    xmlNode* node = xmlNewChild(parent, (*spaces)[ns], X(local.c_str()), nullptr);
    if (!e.text.empty())
        xmlNodeAddContent(node, X(e.text.c_str()));
    for (const auto& c : e.children)
        Build(node, c, spaces);
}

} // namespace

long StatusOf(std::string_view line)
{
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos)
        return 0;
    long status = 0;
    const char* begin = line.data() + blank + 1;
    const auto [end, error] = std::from_chars(begin, line.data() + line.size(), status);
    return error == std::errc() && end - begin == 3 ? status : 0;
}

std::string Serialize(const Element& root)
{
    xmlDoc* doc = xmlNewDoc(X("1.0"));
    std::string ns, local;
    SplitName(root.name, &ns, &local);
    xmlNode* top = xmlNewDocNode(doc, nullptr, X(local.c_str()), nullptr);
    xmlDocSetRootElement(doc, top);
    // Every namespace is declared on the root with a short prefix.
    std::map<std::string, xmlNs*> spaces;
    spaces[kDav] = xmlNewNs(top, X(kDav), X("d"));
    spaces[kCardDav] = xmlNewNs(top, X(kCardDav), X("c"));
    spaces[kCalendarServer] = xmlNewNs(top, X(kCalendarServer), X("cs"));
    xmlSetNs(top, spaces[ns]);
    if (!root.text.empty())
        xmlNodeAddContent(top, X(root.text.c_str()));
    for (const auto& c : root.children)
        Build(top, c, &spaces);
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &bytes, &size, "UTF-8");
    std::string text(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
    xmlFree(bytes);
    xmlFreeDoc(doc);
    return text;
}

Element Propfind(const std::vector<std::string>& props)
{
    Element prop { "{DAV:}prop", {}, {} };
    for (const auto& name : props)
        prop.children.push_back({ name, {}, {} });
    return { "{DAV:}propfind", {}, { prop } };
}

bool ParseMultiStatus(std::string_view text, MultiStatus* out)
{
    *out = {};
    const Doc doc = Parse(text);
    const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root || !Is(root, kDav, "multistatus"))
        return false;
    for (const xmlNode* c = root->children; c; c = c->next) {
        if (Is(c, kDav, "response"))
            out->responses.push_back(ReadResponse(c));
        else if (Is(c, kDav, "sync-token"))
            out->syncToken = Trim(TextOf(c));
    }
    return true;
}

bool HasPrecondition(std::string_view text, const std::string& name)
{
    const Doc doc = Parse(text);
    const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root || !Is(root, kDav, "error"))
        return false;
    for (const xmlNode* c = root->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE && NameOf(c) == name)
            return true;
    return false;
}

} // namespace nrt::dav::xml
