#include "report.h"

#include <cstdio>

namespace qevcli {

namespace {

std::string Quote(const std::string &s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string Number(double d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", d);
    std::string s = buf;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

// One line's worth of a scalar or an array of scalars.
std::string Scalar(const Value &value) {
    struct {
        std::string operator()(std::nullptr_t) const { return "-"; }
        std::string operator()(bool b) const { return b ? "yes" : "no"; }
        std::string operator()(long i) const { return std::to_string(i); }
        std::string operator()(double d) const { return Number(d); }
        std::string operator()(const std::string &s) const { return s.empty() ? "-" : s; }
        std::string operator()(const std::shared_ptr<Array> &a) const {
            std::string out;
            for (const Value &v : *a)
                out += (out.empty() ? "" : " ") + Scalar(v);
            return out.empty() ? "-" : out;
        }
        std::string operator()(const std::shared_ptr<Object> &) const { return ""; }
    } visit;
    return std::visit(visit, value.v);
}

bool Nested(const Value &value) {
    if (std::holds_alternative<std::shared_ptr<Object>>(value.v))
        return true;
    if (auto *a = std::get_if<std::shared_ptr<Array>>(&value.v))
        for (const Value &v : **a)
            if (std::holds_alternative<std::shared_ptr<Object>>(v.v))
                return true;
    return false;
}

} // namespace

std::string ToJson(const Value &value) {
    struct {
        std::string operator()(std::nullptr_t) const { return "null"; }
        std::string operator()(bool b) const { return b ? "true" : "false"; }
        std::string operator()(long i) const { return std::to_string(i); }
        std::string operator()(double d) const { return Number(d); }
        std::string operator()(const std::string &s) const { return Quote(s); }
        std::string operator()(const std::shared_ptr<Array> &a) const {
            std::string out = "[";
            for (size_t i = 0; i < a->size(); ++i)
                out += (i ? "," : "") + ToJson((*a)[i]);
            return out + "]";
        }
        std::string operator()(const std::shared_ptr<Object> &o) const {
            std::string out = "{";
            for (size_t i = 0; i < o->size(); ++i)
                out += (i ? "," : "") + Quote((*o)[i].first) + ":" + ToJson((*o)[i].second);
            return out + "}";
        }
    } visit;
    return std::visit(visit, value.v);
}

std::string ToText(const Object &object, int indent) {
    size_t width = 0;
    for (const auto &[key, value] : object)
        if (!Nested(value))
            width = std::max(width, key.size());
    std::string pad(size_t(indent), ' ');
    std::string out;
    for (const auto &[key, value] : object) {
        if (auto *o = std::get_if<std::shared_ptr<Object>>(&value.v)) {
            out += pad + key + ":\n" + ToText(**o, indent + 2);
        } else if (Nested(value)) {
            out += pad + key + ":\n";
            for (const Value &item : *std::get<std::shared_ptr<Array>>(value.v)) {
                if (auto *io = std::get_if<std::shared_ptr<Object>>(&item.v)) {
                    std::string block = ToText(**io, indent + 4); // "  - " marks each item
                    if (block.size() > size_t(indent) + 2)
                        block.replace(size_t(indent) + 2, 2, "- ");
                    out += block;
                } else
                    out += pad + "  " + Scalar(item) + "\n";
            }
        } else {
            out += pad + key + std::string(width - key.size() + 2, ' ') + Scalar(value) + "\n";
        }
    }
    return out;
}

} // namespace qevcli
