// libFuzzer target for the gamma and overlay scheme file loaders.
//
// Input: one byte choosing the layout (even gamma, odd overlay), then the
// file's bytes. The file is written to a private temporary directory and
// loaded as the pages load it: a well-formed file yields records whose
// parsed values lie in the sliders' ranges and whose texts are terminated;
// adding a scheme to it gives a well-formed file with one scheme more. A
// damaged file is never written over and, set aside, keeps its bytes.
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gamma_ramp.h"
#include "overlay_scheme.h"
#include "qevgfx_file.h"
#include "scheme_file.h"

namespace {

#define CHECK(cond) ((cond) ? (void)0 : (fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #cond), abort()))

std::string g_dir;

void RemoveDir()
{
    if (g_dir.empty())
        return;
    unlink((g_dir + "/schemes").c_str());
    unlink((g_dir + "/schemes.damaged").c_str());
    rmdir(g_dir.c_str());
}

const std::string &WorkFile()
{
    static const std::string path = [] {
        const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string tmpl = std::string(base) + "/qev_scheme_fuzz.XXXXXX";
        if (!mkdtemp(tmpl.data()))
            abort();
        g_dir = tmpl;
        atexit(RemoveDir);
        __sanitizer_set_death_callback(RemoveDir);
        return tmpl + "/schemes";
    }();
    return path;
}

// Parsed values lie in the sliders' ranges, texts are terminated.
void CheckRecord(bool gamma, const std::string &bytes)
{
    if (gamma) {
        SchemeRecord r = SchemeRecordFromBytes(bytes);
        CHECK(strlen(r.chName) < 256 && r.wImageIndex < GAMMA_IMAGE_COUNT && r.wChannelIndex <= 3);
        GammaPageState s{};
        SetGammaDefaults(&s);
        ParseSchemeSettings(r.chSettings, &s);
        for (float v : s.fGamma)
            CHECK(v >= kGammaMinParameter && v <= kGammaMaxParameter);
        return;
    }
    int values[OVERLAY_COUNT];
    ParseOverlayValues(OverlayRecordFromBytes(bytes), values);
    for (int v : values)
        CHECK(v >= 0 && v <= 255);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool gamma = (data[0] & 1) == 0;
    const std::string contents(reinterpret_cast<const char *>(data) + 1, size - 1);
    SchemeFile file{WorkFile(), "", gamma ? kGammaSchemeLayout : kOverlaySchemeLayout, true};
    unlink((file.path + ".damaged").c_str());
    CHECK(qev::file::replace(file.path, contents));

    SchemeContents loaded;
    SchemeReadStatus status = ReadSchemeFile(file, loaded);
    CHECK(status == SchemeReadStatus::Ok || status == SchemeReadStatus::Damaged);
    if (status == SchemeReadStatus::Damaged) {
        CHECK(!AddSchemeRecord(file, std::string(file.layout.recordSize, 'n')));
        std::string aside = SetSchemeFileAside(file.path);
        CHECK(aside == file.path + ".damaged");
        std::string kept;
        CHECK(qev::file::read(aside, kept) && kept == contents);
        return 0;
    }
    CHECK(contents.size() == file.layout.FileSize(loaded.named.size()));
    CheckRecord(gamma, loaded.active);
    for (const std::string &record : loaded.named)
        CheckRecord(gamma, record);
    CHECK(AddSchemeRecord(file, std::string(file.layout.recordSize, 'n')));
    SchemeContents after;
    CHECK(ReadSchemeFile(file, after) == SchemeReadStatus::Ok && after.named.size() == loaded.named.size() + 1);
    return 0;
}
