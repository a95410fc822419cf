// libFuzzer target for the multi-screen edits of the X configuration
// (lib/qevgfx_samm.cpp) on arbitrary file contents.
//
// Input: one byte choosing the layout (primary, secondary, position, enable
// or disable), one byte choosing the adapter facts (chip, TV standards), then
// the configuration text. The edit runs as one transaction in memory, also on
// the text with CR LF line ends (it must make the same edit and keep them);
// the layout is read back, and the device-option editors run on a file in a
// private temporary directory. A few invariants of a successful enable are
// checked.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_util.h"
#include "qev/outputs.h"
#include "qevgfx_file.h"
#include "qevgfx_parser.h"
#include "qevgfx_samm.h"

namespace {

namespace ss = qev::samm;
namespace xm = qev::xconfig::mem;
using fuzzutil::WithCrLf;

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

// The whole edit of the file route on the text of its working copy.
int Edit(std::string_view text, std::string &out, const ScreenData &layout, bool enable,
         const ss::DeviceFacts &facts, XConfigData &data) {
    return ss::ModXFConfig(text, out, enable ? &layout : nullptr, enable ? 1 : 0, facts, data);
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

    // One transaction: a result and the whole new text, or 0 and nothing; no
    // line comes to name a missing section.
    std::string doc;
    XConfigData data;
    const int rc = Edit(text, doc, layout, enable, facts, data);
    CHECK(rc == 0 || rc == 1);
    CHECK(rc == 1 || doc.empty());
    if (rc == 1) {
        const auto before = ss::DanglingReferences(text);
        for (const auto &[ref, count] : ss::DanglingReferences(doc))
            CHECK(before.count(ref) && before.at(ref) >= count);
    }

    // With CR LF line ends the same edit is made, and it keeps CR LF.
    std::string lf = text;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    if (lf.find('\n') != std::string::npos) {
        std::string outLf, outCrLf;
        XConfigData dataLf, dataCrLf;
        const int rcLf = Edit(lf, outLf, layout, enable, facts, dataLf);
        CHECK(rcLf == Edit(WithCrLf(lf), outCrLf, layout, enable, facts, dataCrLf));
        CHECK(outCrLf == WithCrLf(outLf));
        CHECK(dataLf.chSecScreenID == dataCrLf.chSecScreenID && dataLf.nPlacedLine == dataCrLf.nPlacedLine);
    }

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
        std::string again;
        XConfigData againData;
        const bool plain = Plain(data.chSecScreenID) && Plain(data.chSecDeviceID) && Plain(data.chScreenID) &&
                           Plain(data.chDeviceID);
        if (Edit(doc, again, layout, true, facts, againData) == 1 && plain) {
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

    const std::string &path = fuzzutil::WorkFile("qev_samm_fuzz");
    CHECK(qev::file::replace(path, text));
    if (ss::InsertDeviceOptionIn(path, "Rotate", "CW") == 1) {
        std::string withOption;
        CHECK(qev::file::read(path, withOption));
        const std::string line = "\tOption\t\"Rotate\"\t\"CW\"" + std::string(qev::xconfig::lineEnding(text));
        CHECK(withOption.find(line) != std::string::npos);
        const int del = ss::DeleteDeviceOptionIn(path, "Rotate");
        CHECK(del == 0 || del == 1);
    }
    return 0;
}
