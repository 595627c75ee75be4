// The numbered image slots: image and font files in the variant the resolution level
// picks ("-hd" twice, "-hd2" four times the pixels), a reserved drawable image, and
// the reload that chooses the level and loads the logo and the text font.
#include "game/my_app.h"
#include "graphics/graphics.h"
#include "runtime/data.h"

namespace {

String ImageFile(const String& name, int hdLevel) {
    const char* suffix = hdLevel == 2 ? "-hd" : hdLevel == 4 ? "-hd2" : "";
    return name + String(suffix) + String(".png");
}

}  // namespace

void c_MyApp::RequireFontAndLevelArt() {
    for (const char* name : {kReloadFont, "0", "1", "2", "3"}) {
        for (int hdLevel : {1, 2, 4}) qo_data_Require(ImageFile(String(name), hdLevel).ToUtf8());
    }
}

// Empties a slot before it is filled again. The image it held is drawn from no other
// place, so its pixels and texture go at once instead of when the collector gets to them:
// a change of tier would otherwise hold both tiers' art (up to 100 MB) for a while.
void c_MyApp::ReleaseImageSlot(int slot) {
    c_Image* old = m_Images[slot];
    if (old && old->m_surface) old->m_surface->Discard();
    m_Images[slot] = static_cast<c_Image*>(nullptr);
}

void c_MyApp::DecodeImagesAhead(const std::vector<const char*>& names) {
    std::vector<String> files;
    for (const char* name : names) files.push_back(ImageFile(String(name), m_HDLevel));
    qo_graphics_DecodeAhead(files);
}

int c_MyApp::p_LoadImg(int slot, String name, int w, int h, int frames, int flags) {
    if (slot < 0 || slot >= kImageSlots) return 0;
    ReleaseImageSlot(slot);
    m_Images[slot] = qo_graphics_LoadImage2(ImageFile(name, m_HDLevel), w * m_HDLevel,
                                            h * m_HDLevel, frames, flags);
    m_ImgSize[slot * 3] = w * m_HDLevel;
    m_ImgSize[slot * 3 + 1] = h * m_HDLevel;
    m_ImgSize[slot * 3 + 2] = frames;
    return 0;
}

int c_MyApp::p_LoadFont(int slot, String name, int charW, int charH) {
    if (slot < 0 || slot >= kImageSlots) return 0;
    int cell = 16 * m_HDLevel;
    ReleaseImageSlot(slot);
    m_Images[slot] = qo_graphics_LoadImage2(ImageFile(name, m_HDLevel), cell, cell, 128, 1);
    m_ImgSize[slot * 3] = charW;
    m_ImgSize[slot * 3 + 1] = charH;
    m_ImgSize[slot * 3 + 2] = 128;
    m_Font = slot;
    return 0;
}

int c_MyApp::p_ReserveImg(int slot, int w, int h) {
    if (slot < 0 || slot >= kImageSlots) return 0;
    ReleaseImageSlot(slot);
    m_Images[slot] = qo_graphics_CreateImage(w, h, 1, 1);
    m_ImgSize[slot * 3] = w;
    m_ImgSize[slot * 3 + 1] = h;
    m_ImgSize[slot * 3 + 2] = 1;
    return 0;
}

// Big devices get the finer image files, drawn scaled down to the same virtual size.
void c_MyApp::ChooseImageTier() {
    int width = qo_app_DeviceWidth(), height = qo_app_DeviceHeight();
    m_HDLevel = 1;
    m_ImgScale = 1.0f;
    if (width > 630 || height > 630) {
        m_HDLevel = 2;
        m_ImgScale = 0.5f;
    }
    if (width > 1230 || height > 1230) {
        m_HDLevel = 4;
        m_ImgScale = 0.25f;
    }
    if (qo_Game_UseHDImages == 0) {
        m_HDLevel = 1;
        m_ImgScale = 1.0f;
    }
}

int c_MyApp::p_Reload() {
    m_ClsR = m_ClsG = m_ClsB = 0;
    m_ClsA = 1;
    ChooseImageTier();
    DecodeLoaderImagesAhead(true);
    p_LoadImg(slots::kImgMakerLogo, String(kReloadLogo), 256, 256, 1, 1);
    p_LoadFont(slots::kFontShadow, String(kReloadFont), 7, 10);
    m_LoadStep = 1;
    return 0;
}
