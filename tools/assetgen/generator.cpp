#include "tools/assetgen/generator.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

#include "tools/assetgen/app_icon.h"
#include "tools/assetgen/art.h"
#include "tools/assetgen/audio.h"
#include "tools/assetgen/canvas.h"
#include "tools/assetgen/installer_art.h"
#include "tools/assetgen/png_writer.h"

namespace assetgen {
namespace {

struct Job {
    std::string name;
    std::function<bool()> run;
};

bool Wanted(const Options& o, const std::string& name) {
    return o.only.empty() || std::find(o.only.begin(), o.only.end(), name) != o.only.end();
}

bool WriteSheet(const Options& o, const SheetInfo& info, int tier) {
    Pixels px = RenderSheet(info, tier);
    const std::string file = TierFileName(info.name, tier);
    bool ok = WriteFile(o.outDir + "/" + file, EncodePng(px.rgba.data(), px.width, px.height));
    if (ok && !o.contactDir.empty())
        ok = WriteFile(o.contactDir + "/" + file, RenderContactSheet(info, tier, px));
    if (!ok) std::fprintf(stderr, "assetgen: cannot write %s\n", file.c_str());
    return ok;
}

}  // namespace

bool GenerateAll(const Options& o) {
    if (!o.fontDir.empty()) SetFontDirectory(o.fontDir);
    std::vector<Job> jobs;
    // The music takes longest; starting it first keeps both threads busy to the end.
    for (const SoundInfo& s : SoundCatalog()) {
        if (o.outDir.empty() || !Wanted(o, s.name)) continue;
        jobs.push_back({s.name, [&o, &s] {
                            bool ok = WriteFile(o.outDir + "/" + s.name, s.make());
                            if (!ok)
                                std::fprintf(stderr, "assetgen: cannot write %s\n", s.name.c_str());
                            return ok;
                        }});
    }
    for (const SheetInfo& info : ImageCatalog()) {
        if (o.outDir.empty() || !Wanted(o, info.name)) continue;
        for (int tier : {4, 2, 1}) {
            if (tier != 1 && !info.allTiers) continue;
            jobs.push_back({info.name, [&o, &info, tier] { return WriteSheet(o, info, tier); }});
        }
    }
    if (!o.iconDir.empty()) {
        auto icon = [&jobs](const std::string& file, int size, bool maskable) {
            jobs.push_back({"app_icon", [file, size, maskable] {
                                bool ok = WriteFile(file, RenderAppIcon(size, maskable));
                                if (!ok)
                                    std::fprintf(stderr, "assetgen: cannot write %s\n",
                                                 file.c_str());
                                return ok;
                            }});
        };
        for (int size : AppIconSizes()) {
            icon(o.iconDir + "/" + std::to_string(size) + "x" + std::to_string(size) +
                     "/tessory.png",
                 size, false);
        }
        for (const WebIcon& web : WebIcons())
            icon(o.iconDir + "/web/" + web.file, web.size, web.maskable);
    }
    for (const InstallerPicture& picture :
         o.installerDir.empty() ? std::vector<InstallerPicture>{} : InstallerPictures()) {
        jobs.push_back({"installer", [&o, picture] {
                            const std::string file = o.installerDir + "/" + picture.file;
                            bool ok = WriteFile(file, RenderInstallerPicture(picture));
                            if (!ok)
                                std::fprintf(stderr, "assetgen: cannot write %s\n", file.c_str());
                            return ok;
                        }});
    }
    std::atomic<size_t> next{0};
    std::atomic<bool> ok{true};
    auto worker = [&] {
        for (size_t i; (i = next++) < jobs.size();)
            if (!jobs[i].run()) ok = false;
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < std::max(1, o.threads); ++t) pool.emplace_back(worker);
    worker();
    for (auto& t : pool) t.join();
    return ok;
}

}  // namespace assetgen
