// libFuzzer target for the X configuration editor.
//
// Input: one byte choosing the file-level operation, one byte of index, then
// the section name, the identifier and an entry text, each ended by a NUL
// byte, and the rest as the file's contents. Every in-memory operation runs
// on the contents with a few invariants checked; one C-interface operation
// runs on a real file (in a private temporary directory) and must agree with
// the in-memory result; the contents with CR LF line ends must read and edit
// the same as with LF. Output buffers are heap blocks of exactly the
// documented size, so any overflow is caught.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_util.h"
#include "qevgfx_file.h"
#include "qevgfx_parser.h"

namespace {

namespace xc = qev::xconfig;
using fuzzutil::WithCrLf;

// Splits off the text up to the next NUL byte.
std::string_view take(std::string_view &rest)
{
    const size_t nul = rest.find('\0');
    std::string_view field = rest.substr(0, nul);
    rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    return field;
}

struct Buf {
    std::unique_ptr<char[]> p{new char[XCONFIG_TEXT_MAX]()};
    char *get() { return p.get(); }
};

int countEntries(std::string_view doc, std::string_view name, std::string_view id)
{
    std::string e;
    int n = 0;
    while (n < 100000 && xc::mem::getEntry(doc, name, id, n + 1, e) == XCONFIG_DONE)
        ++n;
    return n;
}

void checkMemory(std::string_view doc, std::string_view name, std::string_view id, std::string_view text, int index)
{
    xc::SectionPos pos;
    const int found = xc::mem::findSection(doc, name, id, pos);
    CHECK(found == XCONFIG_DONE || found == XCONFIG_NOT_FOUND);
    if (found == XCONFIG_DONE) {
        CHECK(pos.start <= pos.endLine && pos.endLine < pos.endWord && pos.endWord <= pos.end + 1);
        CHECK(pos.end < doc.size());
        CHECK(xc::classify(xc::splitLine(doc.substr(pos.endLine, pos.endWord - pos.endLine)).key) ==
              XCONFIG_LINE_ENDSECTION);
    }

    std::string s, out, out2;
    int count = 0;
    CHECK(xc::mem::getString(doc, name, id, xc::splitLine(text).key, index, s) != XCONFIG_ERROR);
    CHECK(xc::mem::getSectionId(doc, name, s, count) != XCONFIG_ERROR);
    CHECK(xc::mem::getEntry(doc, name, id, index, s) != XCONFIG_ERROR);

    // A new entry becomes the section's last one.
    const bool plainEntry = text.find('\n') == std::string_view::npos && !xc::trim(text).empty() &&
                            xc::classify(xc::splitLine(text).key) == XCONFIG_LINE_ENTRY;
    if (xc::mem::setEntry(doc, name, id, text, out) == XCONFIG_DONE && plainEntry) {
        const int n = countEntries(out, name, id);
        CHECK(n == countEntries(doc, name, id) + 1);
        CHECK(xc::mem::getEntry(out, name, id, n, s) == XCONFIG_DONE && s == xc::trim(text));
    }

    // The normal form is a fixed point.
    const int del = xc::mem::deleteEntry(doc, name, id, text, out);
    CHECK(del == XCONFIG_DONE || del == XCONFIG_NOT_FOUND);
    CHECK(out.empty() == (found != XCONFIG_DONE));
    if (!out.empty() && xc::classify(xc::splitLine(text).key) == XCONFIG_LINE_ENTRY) {
        CHECK(xc::mem::deleteEntry(out, name, id, text, out2) == XCONFIG_NOT_FOUND);
        CHECK(out2 == out);
    }

    if (xc::mem::setString(doc, name, id, xc::splitLine(text).key, index, "v", out) == XCONFIG_DONE)
        CHECK(found == XCONFIG_DONE);

    const int created = xc::mem::createSection(doc, name, id, nullptr, out);
    CHECK(created == XCONFIG_ERROR || (created == XCONFIG_EXISTS) == (found == XCONFIG_DONE));
    if (created == XCONFIG_DONE && (name.empty() || name[0] != '"') && (id.empty() || id[0] != '"'))
        CHECK(xc::mem::findSection(out, name, id, pos) == XCONFIG_DONE);

    if (xc::mem::deleteSection(doc, name, id, out) == XCONFIG_DONE)
        CHECK(out.size() < doc.size());

    std::string sub(text);
    const int subRc = xc::subString(sub, index % 5, index / 5 % 5);
    CHECK(subRc <= XCONFIG_NOT_FOUND && sub.size() <= text.size());
}

// One C-interface operation on the file; it must agree with the in-memory one.
void checkFile(uint8_t op, std::string_view doc, const std::string &name, const std::string &id,
               const std::string &text, int index)
{
    const std::string &path = fuzzutil::WorkFile("qev_parser_fuzz");
    if (!qev::file::replace(path, doc))
        abort();
    Buf out;
    std::string expect, got;
    int rc = 0, want = 0;
    switch (op % 10) {
    case 0:
        rc = XConfig_GetString(path.c_str(), name.c_str(), id.c_str(), text.c_str(), index, out.get());
        want = xc::mem::getString(doc, name, id, text, index, expect);
        CHECK(rc == want || (rc == XCONFIG_ERROR && expect.size() >= XCONFIG_TEXT_MAX));
        CHECK(rc != XCONFIG_DONE || out.get() == expect.substr(0, expect.find('\0')));
        return;
    case 1:
        rc = XConfig_GetEntry(path.c_str(), name.c_str(), id.c_str(), index, out.get());
        want = xc::mem::getEntry(doc, name, id, index, expect);
        CHECK(rc == want || (rc == XCONFIG_ERROR && expect.size() >= XCONFIG_TEXT_MAX));
        return;
    case 2: {
        int count = -1;
        rc = XConfig_GetSectionID(path.c_str(), name.c_str(), out.get(), &count);
        CHECK(rc <= XCONFIG_NOT_FOUND && count >= 0);
        return;
    }
    case 3:
        rc = XConfig_SetString(path.c_str(), name.c_str(), id.c_str(), text.c_str(), index, "\"v\"");
        want = xc::mem::setString(doc, name, id, text, index, "\"v\"", expect);
        break;
    case 4:
        rc = XConfig_SetEntry(path.c_str(), name.c_str(), id.c_str(), text.c_str());
        want = xc::mem::setEntry(doc, name, id, text, expect);
        break;
    case 5:
        rc = XConfig_DeleteEntry(path.c_str(), name.c_str(), id.c_str(), text.c_str());
        want = xc::mem::deleteEntry(doc, name, id, text, expect);
        break;
    case 6:
        rc = XConfig_CreateServerLayoutSection(path.c_str(), name.c_str(), id.c_str(), text.c_str());
        {
            const std::string_view screen(text);
            want = xc::mem::createSection(doc, name, id, &screen, expect);
        }
        break;
    case 7:
        rc = XConfig_DeleteSection(path.c_str(), name.c_str(), id.c_str());
        want = xc::mem::deleteSection(doc, name, id, expect);
        break;
    case 8: {
        FILE *f = fmemopen(const_cast<char *>(doc.data()), doc.size(), "r");
        if (!f)
            return;
        long a = 0, b = 0;
        rc = CheckPosOfSection(f, name.c_str(), id.c_str(), &a, &b);
        if (rc == XCONFIG_DONE) {
            long c = 0, d = 0;
            CHECK(CheckPosOfEntry(f, text.c_str(), a, b, index, &c, &d) != XCONFIG_ERROR);
        }
        rewind(f);
        for (int i = 0; i < 10000 && GetLine(f, out.get()) == XCONFIG_DONE; ++i) {
            Buf key, value, sec, ident;
            if (DispartLine(out.get(), key.get(), value.get()) == XCONFIG_DONE)
                CheckDispartedKey(key.get(), value.get(), sec.get(), ident.get());
        }
        fclose(f);
        return;
    }
    default: {
        std::string t = text.substr(0, XCONFIG_TEXT_MAX - 1);
        XConfig_GetSubString(t.data(), index % 6, index / 6 % 6);
        return;
    }
    }
    CHECK(rc == want);
    std::string now;
    CHECK(qev::file::read(path, now));
    const bool written = want == XCONFIG_DONE || (op % 10 == 5 && !expect.empty());
    CHECK(now == (written ? expect : std::string(doc)));
}

// The same file with CR LF line ends reads the same and is edited the same,
// and what the edits write keeps CR LF. lf has no CR and at least one LF.
void checkCrLf(std::string_view lf, std::string_view name, std::string_view id, std::string_view text, int index)
{
    namespace m = xc::mem;
    const std::string key = xc::splitLine(text).key;
    const std::string_view screen(text);
    using Op = std::function<int(std::string_view, std::string &)>;
    const Op ops[] = {  // three reads, then the edits
        [&](auto d, auto &o) { return m::getString(d, name, id, key, index, o); },
        [&](auto d, auto &o) { return m::getEntry(d, name, id, index, o); },
        [&](auto d, auto &o) { int n = 0; return m::getSectionId(d, name, o, n) + 4 * n; },
        [&](auto d, auto &o) { return m::setString(d, name, id, key, index, "\"v\"", o); },
        [&](auto d, auto &o) { return m::setEntry(d, name, id, text, o); },
        [&](auto d, auto &o) { return m::deleteEntry(d, name, id, text, o); },
        [&](auto d, auto &o) { return m::createSection(d, name, id, &screen, o); },
        [&](auto d, auto &o) { return m::deleteSection(d, name, id, o); },
    };
    // Texts with a CR of their own are written as they are.
    const bool ownCr = (std::string(name) + std::string(id) + std::string(text)).find('\r') != std::string::npos;
    for (size_t i = 0; i < std::size(ops); ++i) {
        std::string a, b;
        CHECK(ops[i](lf, a) == ops[i](WithCrLf(lf), b));
        CHECK(ownCr || b == (i < 3 ? a : WithCrLf(a)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t op = data[0];
    const int index = static_cast<int8_t>(data[1]);
    std::string_view rest(reinterpret_cast<const char *>(data) + 2, size - 2);
    const std::string name(take(rest));
    const std::string id(take(rest));
    const std::string text(take(rest));
    const std::string_view doc = rest;

    checkMemory(doc, name, id, text, index);
    std::string lf(doc);
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    if (lf.find('\n') != std::string::npos)
        checkCrLf(lf, name, id, text, index);
    // The C interface stops at a NUL, so it sees the texts only up to there.
    checkFile(op, doc, name, id, text, index);
    return 0;
}
