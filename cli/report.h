// What a qevgfx command reports: an ordered tree of named values, written as
// one JSON document (--json) or as short aligned text.
#ifndef QEV_CLI_REPORT_H
#define QEV_CLI_REPORT_H

#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace qevcli {

struct Value;
using Object = std::vector<std::pair<std::string, Value>>;
using Array = std::vector<Value>;

struct Value {
    std::variant<std::nullptr_t, bool, long, double, std::string, std::shared_ptr<Array>, std::shared_ptr<Object>> v;
    Value() : v(nullptr) {}
    Value(bool b) : v(b) {}
    Value(int i) : v(long(i)) {}
    Value(unsigned i) : v(long(i)) {}
    Value(long i) : v(i) {}
    Value(double d) : v(d) {}
    Value(const char *s) : v(std::string(s)) {}
    Value(std::string s) : v(std::move(s)) {}
    Value(Array a) : v(std::make_shared<Array>(std::move(a))) {}
    Value(Object o) : v(std::make_shared<Object>(std::move(o))) {}
};

// JSON text of a value (strings escaped, numbers in the C locale).
std::string ToJson(const Value &value);
// Aligned text: "key  value" lines, nested objects indented.
std::string ToText(const Object &object, int indent = 0);

} // namespace qevcli

#endif
