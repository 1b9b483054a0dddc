// A small XML reader for the tests: checks that a document is well-formed
// (one root, balanced and properly nested tags, quoted and unique attributes,
// known entities, valid UTF-8) and gives its element tree.
#ifndef VELMAR_TESTS_MINI_XML_H
#define VELMAR_TESTS_MINI_XML_H

#include <cctype>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;  // character data directly inside, entities resolved
    std::vector<std::unique_ptr<XmlElement>> children;

    std::string attr(const std::string& key) const
    {
        auto it = attributes.find(key);
        return it == attributes.end() ? "" : it->second;
    }
    // Every element below this one (depth first) with the given name.
    void collect(const std::string& n, std::vector<const XmlElement*>& out) const
    {
        for (const auto& c : children) {
            if (c->name == n) out.push_back(c.get());
            c->collect(n, out);
        }
    }
    std::vector<const XmlElement*> all(const std::string& n) const
    {
        std::vector<const XmlElement*> out;
        collect(n, out);
        return out;
    }
    const XmlElement* byId(const std::string& id) const
    {
        for (const auto& c : children) {
            if (c->attr("id") == id) return c.get();
            if (const XmlElement* e = c->byId(id)) return e;
        }
        return nullptr;
    }
};

class MiniXml {
public:
    // The root element; throws std::runtime_error naming the fault when not well-formed.
    static std::unique_ptr<XmlElement> parse(const std::string& doc)
    {
        MiniXml p(doc);
        return p.document();
    }

private:
    explicit MiniXml(const std::string& d) : s_(d) {}

    [[noreturn]] void fail(const std::string& why) const
    {
        throw std::runtime_error(why + " at byte " + std::to_string(i_));
    }
    bool at(const char* t) const { return s_.compare(i_, std::char_traits<char>::length(t), t) == 0; }
    void expect(const char* t)
    {
        if (!at(t)) fail(std::string("expected ") + t);
        i_ += std::char_traits<char>::length(t);
    }
    void spaces()
    {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    static bool nameChar(char c)
    {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '-' || c == '.';
    }
    std::string name()
    {
        size_t b = i_;
        if (i_ >= s_.size() || !(std::isalpha(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_')) fail("bad name");
        while (i_ < s_.size() && nameChar(s_[i_])) ++i_;
        return s_.substr(b, i_ - b);
    }
    void checkUtf8() const
    {
        for (size_t k = 0; k < s_.size();) {
            unsigned char c = static_cast<unsigned char>(s_[k]);
            size_t len = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
            if (len == 0 || k + len > s_.size()) throw std::runtime_error("invalid UTF-8");
            for (size_t j = 1; j < len; ++j) {
                if ((static_cast<unsigned char>(s_[k + j]) & 0xC0) != 0x80) throw std::runtime_error("invalid UTF-8");
            }
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') throw std::runtime_error("control character");
            k += len;
        }
    }
    void misc()
    {
        for (;;) {
            spaces();
            if (at("<!--")) {
                size_t e = s_.find("-->", i_ + 4);
                if (e == std::string::npos) fail("unclosed comment");
                i_ = e + 3;
            } else if (at("<?")) {
                size_t e = s_.find("?>", i_ + 2);
                if (e == std::string::npos) fail("unclosed processing instruction");
                i_ = e + 2;
            } else {
                return;
            }
        }
    }
    std::string characters(char stop)
    {
        std::string out;
        while (i_ < s_.size() && s_[i_] != stop && s_[i_] != '<') {
            if (s_[i_] == '&') out += entity();
            else if (s_[i_] == '>' && stop == '<' && at("]]>")) fail("]]> in text");
            else out += s_[i_++];
        }
        return out;
    }
    std::string entity()
    {
        size_t e = s_.find(';', i_);
        if (e == std::string::npos || e - i_ > 10) fail("bad entity");
        std::string n = s_.substr(i_ + 1, e - i_ - 1);
        i_ = e + 1;
        if (n == "amp") return "&";
        if (n == "lt") return "<";
        if (n == "gt") return ">";
        if (n == "quot") return "\"";
        if (n == "apos") return "'";
        if (n.size() > 1 && n[0] == '#') {
            unsigned long cp = n[1] == 'x' ? std::stoul(n.substr(2), nullptr, 16) : std::stoul(n.substr(1));
            if (cp < 0x80) return std::string(1, static_cast<char>(cp));
            return "?";
        }
        fail("unknown entity &" + n + ";");
    }
    std::unique_ptr<XmlElement> element()
    {
        expect("<");
        auto e = std::make_unique<XmlElement>();
        e->name = name();
        for (;;) {
            size_t before = i_;
            spaces();
            if (at("/>")) { i_ += 2; return e; }
            if (at(">")) { ++i_; break; }
            if (i_ == before) fail("no space before attribute");
            std::string key = name();
            spaces();
            expect("=");
            spaces();
            if (i_ >= s_.size() || (s_[i_] != '"' && s_[i_] != '\'')) fail("unquoted attribute");
            char q = s_[i_++];
            std::string value = characters(q);
            if (i_ >= s_.size() || s_[i_] != q) fail("< in attribute value");
            ++i_;
            if (!e->attributes.emplace(key, value).second) fail("duplicate attribute " + key);
        }
        for (;;) {
            e->text += characters('<');
            if (i_ >= s_.size()) fail("unclosed element " + e->name);
            if (at("</")) {
                i_ += 2;
                if (name() != e->name) fail("mismatched end tag for " + e->name);
                spaces();
                expect(">");
                return e;
            }
            if (at("<!--")) { misc(); continue; }
            if (at("<![CDATA[")) {
                size_t end = s_.find("]]>", i_);
                if (end == std::string::npos) fail("unclosed CDATA");
                e->text += s_.substr(i_ + 9, end - i_ - 9);
                i_ = end + 3;
                continue;
            }
            if (at("<?") || at("<!")) fail("unexpected markup");
            e->children.push_back(element());
        }
    }
    std::unique_ptr<XmlElement> document()
    {
        checkUtf8();
        misc();
        if (!at("<")) fail("no root element");
        auto root = element();
        misc();
        if (i_ != s_.size()) fail("content after the root element");
        return root;
    }

    const std::string& s_;
    size_t i_ = 0;
};

#endif
