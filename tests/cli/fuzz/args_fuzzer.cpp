// libFuzzer target for qevgfx's command-line parsing: the input is a list of
// NUL-separated words. Every word also goes through each value parser, whose
// results must lie within the ranges they promise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "args.h"
#include "qev/outputs.h"
#include "report.h"

#define CHECK(cond) ((cond) ? (void)0 : std::abort())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<std::string> words(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += char(data[i]);
    }
    std::string error;
    auto inv = qevcli::ParseCommandLine(words, &error);
    CHECK(inv.has_value() == error.empty());
    if (inv && !inv->help) {
        const qevcli::CommandInfo *info = qevcli::FindCommand(inv->command);
        CHECK(info != nullptr);
        CHECK(int(inv->args.size()) >= info->minArgs && int(inv->args.size()) <= info->maxArgs);
    }
    for (const std::string &w : words) {
        if (auto m = qevcli::ParseMode(w)) {
            CHECK(m->width >= 1 && m->width <= 16384 && m->height >= 1 && m->height <= 16384);
            CHECK(m->refresh >= 0 && m->refresh <= 1000);
        }
        if (auto mask = qevcli::ParseOutputList(w)) {
            CHECK(*mask != 0 && (*mask & ~unsigned(QEV_OUT_ALL)) == 0);
            std::string joined;
            for (const std::string &n : qevcli::OutputNames(*mask))
                joined += (joined.empty() ? "" : ",") + n;
            CHECK(qevcli::ParseOutputList(joined) == mask);
        }
        if (auto p = qevcli::ParsePair(w, 0, 65535))
            CHECK(p->first >= 0 && p->first <= 65535 && p->second >= 0 && p->second <= 65535);
        if (auto r = qevcli::ParseReal(w, 0.1, 2.0))
            CHECK(*r >= 0.1 && *r <= 2.0);
        if (auto n = qevcli::ParseInt(w, -5, 255))
            CHECK(*n >= -5 && *n <= 255);
        // Any text is written as a JSON string without raw control characters.
        std::string json = qevcli::ToJson(qevcli::Value(w));
        CHECK(json.size() >= 2 && json.front() == '"' && json.back() == '"');
        for (char c : json)
            CHECK((unsigned char)c >= 0x20);
    }
    return 0;
}
