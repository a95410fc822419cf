// libFuzzer target for the multi-screen edits of the X configuration
// (lib/qevgfx_samm.cpp) on arbitrary file contents.
//
// Input: one byte choosing the layout (primary, secondary, position, enable
// or disable), one byte choosing the adapter facts (chip, TV standards), then
// the configuration text. The edits run in memory and on a working copy in a
// private temporary directory (the two must agree); the layout is read back,
// and the device-option editors run on the file. A few invariants of a
// successful enable are checked.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sanitizer/common_interface_defs.h>
#include <string>
#include <string_view>
#include <unistd.h>

#include "qev/outputs.h"
#include "qevgfx_file.h"
#include "qevgfx_parser.h"
#include "qevgfx_samm.h"

namespace {

namespace ss = qev::samm;
namespace xm = qev::xconfig::mem;

#define CHECK(cond)                                                                                                    \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #cond);                                         \
            abort();                                                                                                   \
        }                                                                                                              \
    } while (0)

std::string g_dir;

void RemoveDir() {
    if (!g_dir.empty()) {
        unlink((g_dir + "/work").c_str());
        rmdir(g_dir.c_str());
    }
}

const std::string &WorkFile() {
    static const std::string path = [] {
        const char *tmp = getenv("TMPDIR");
        const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (tmp ? tmp : "/tmp");
        std::string tmpl = std::string(base) + "/qev_samm_fuzz.XXXXXX";
        if (!mkdtemp(tmpl.data()))
            abort();
        g_dir = tmpl;
        atexit(RemoveDir);
        __sanitizer_set_death_callback(RemoveDir);
        return tmpl + "/work";
    }();
    return path;
}

constexpr int kOutputs[] = {QEV_OUT_CRT,  QEV_OUT_LCD,  QEV_OUT_TV,   QEV_OUT_DVI,
                            QEV_OUT_HDMI, QEV_OUT_CRT2, QEV_OUT_HDTV, QEV_OUT_LCD2};

bool Exists(std::string_view doc, std::string_view sec, std::string_view id) {
    qev::xconfig::SectionPos pos;
    return xm::findSection(doc, sec, id, pos) == XCONFIG_DONE;
}

// Identifiers made of plain words survive quoting and reading back as they are.
bool Plain(std::string_view id) {
    if (id.empty() || id.front() == ' ' || id.back() == ' ')
        return false;
    for (char c : id)
        if (!(isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '-' || c == '_' || c == '.'))
            return false;
    return true;
}

// Every Section line is closed by an EndSection line before the next one.
// Only then do sections not overlap, which the invariants below rely on (an
// unclosed section runs on into the next ones).
bool WellFormed(std::string_view doc) {
    bool inside = false;
    size_t p = 0;
    while (p < doc.size()) {
        size_t nl = doc.find('\n', p);
        if (nl == std::string_view::npos)
            nl = doc.size();
        const int kind = qev::xconfig::classify(qev::xconfig::splitLine(doc.substr(p, nl - p)).key);
        if (kind == XCONFIG_LINE_SECTION) {
            if (inside)
                return false;
            inside = true;
        } else if (kind == XCONFIG_LINE_ENDSECTION) {
            if (!inside)
                return false;
            inside = false;
        }
        p = nl + 1;
    }
    return !inside;
}

// Complete, collect and edit, as the file route does on its working copy.
int Edit(std::string &doc, const ScreenData &layout, bool enable, const ss::DeviceFacts &facts, XConfigData &data) {
    ss::CompleteXConfig(doc, data);
    ss::CollectXConfigData(doc, data);
    return ss::ModXFConfigText(doc, enable ? &layout : nullptr, enable ? 1 : 0, facts, data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t choice = bytes[0], factsByte = bytes[1];
    const std::string text(reinterpret_cast<const char *>(bytes) + 2, size - 2);

    const ScreenData layout{kOutputs[choice & 7], kOutputs[(choice >> 3) & 7], (choice >> 6) & 3};
    const bool enable = (factsByte & 0x80) == 0;
    ss::DeviceFacts facts;
    facts.chipId = (factsByte & 1) ? 0x7A01 : 0x7A0A;
    facts.tvStandard = (factsByte >> 1) & 3;
    facts.tvSignal = 1u << ((factsByte >> 3) & 3);
    facts.hdtvStandard = 4u << ((factsByte >> 5) & 3);
    facts.hdtvSignal = (factsByte & 2) ? 4 : 8;

    // In memory.
    std::string doc = text;
    XConfigData data;
    const int rc = Edit(doc, layout, enable, facts, data);
    CHECK(rc == 0 || rc == 1);

    // On a working copy: Complete's additions are written first, as the file
    // route does, then the section editors replace the file only on success.
    const std::string &path = WorkFile();
    std::string completed = text;
    XConfigData fileData;
    ss::CompleteXConfig(completed, fileData);
    CHECK(qev::file::replace(path, completed));
    ss::CollectXConfigData(completed, fileData);
    const int fileRc = ss::ModXFConfigFile(path, enable ? &layout : nullptr, enable ? 1 : 0, facts, fileData);
    std::string after;
    CHECK(qev::file::read(path, after));
    CHECK(fileRc == rc);
    CHECK(after == (rc == 1 ? doc : completed));

    if (enable && rc == 1 && WellFormed(text)) {
        CHECK(Exists(doc, "Screen", data.chSecScreenID));
        CHECK(Exists(doc, "Device", data.chSecDeviceID));
        std::string layoutId;
        int count = 0;
        CHECK(xm::getSectionId(doc, "ServerLayout", layoutId, count) == XCONFIG_DONE);
        std::string placed;
        int index = 0;
        CHECK(ss::GetScreenID(doc, layoutId, 2, placed, index) == 1);

        // Enabling again reuses what the first enable made.
        std::string again = doc;
        XConfigData againData;
        const bool plain = Plain(data.chSecScreenID) && Plain(data.chSecDeviceID) && Plain(data.chScreenID);
        if (Edit(again, layout, true, facts, againData) == 1 && plain) {
            CHECK(againData.bSecScreenExist == 1);
            CHECK(againData.bSecDeviceExist == 1);
        }
    }

    // Reading the layout back and the other file helpers never fail hard.
    ScreenData back{0, 0, 0};
    ss::DetectDeviceOrderOnSAMM(doc, back, factsByte);
    ss::GetScrn2ToScrn1Pos(doc, back);
    CHECK(back.nPosition >= 0 && back.nPosition <= 3);
    const int xinerama = ss::IsXineramaIn(doc);
    CHECK(xinerama == 0 || xinerama == 1);

    CHECK(qev::file::replace(path, text));
    if (ss::InsertDeviceOptionIn(path, "Rotate", "CW") == 1) {
        std::string withOption;
        CHECK(qev::file::read(path, withOption));
        CHECK(withOption.find("\tOption\t\"Rotate\"\t\"CW\"\n") != std::string::npos);
        const int del = ss::DeleteDeviceOptionIn(path, "Rotate");
        CHECK(del == 0 || del == 1);
    }
    return 0;
}
