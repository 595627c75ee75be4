// The game's own bitmap-font text, drawn glyph by glyph into the draw list: kerning,
// alignment, rotation, "\n" line breaks written as backslash and n, and the escape
// pairs that show blinking controller and key symbols; and the right-aligned numbers.
#include <cmath>

#include "game/my_app.h"
#include "game/slots.h"
#include "graphics/graphics.h"

namespace {

constexpr int kEscape = 0xAC;  // "¬": the next character selects a symbol glyph

int Kern(int ch) {
    switch (ch) {
        case 'w':
        case 'm':
            return 2;
        case 'W':
        case 'M':
            return 1;
        case 'i':
        case 'f':
        case 'l':
            return -3;
        case 'j':
        case 's':
        case 'k':
        case 'r':
        case 'z':
        case 't':
        case 'n':
            return -1;
        default:
            return 0;
    }
}

struct Symbol {
    int frame;
    int kern;
};

// The glyph an escape pair draws for its selector. Symbols with an alternate frame
// blink to it on joysticks, so the player sees which button is meant.
Symbol EscapeSymbol(int selector, int inputMethod) {
    struct Entry {
        int selector, normal, alternate, kern;
    };
    static const Entry kTable[] = {
        {'J', 96, 109, 4},  {'K', 97, 109, 4},  {'L', 98, 109, 4},  {'I', 99, 109, 4},
        {'U', 100, 110, 6}, {'O', 101, 110, 6}, {'Q', 102, -1, 4},  {'E', 103, -1, 4},
        {'F', 104, -1, 4},  {'W', 105, 104, 4}, {'S', 106, 104, 4}, {'A', 107, 104, 4},
        {'D', 108, 104, 4},
    };
    Entry entry{selector, selector, -1, 4};
    bool listed = false;
    for (const Entry& e : kTable) {
        if (e.selector == selector) {
            entry = e;
            listed = true;
            break;
        }
    }
    bool blink = inputMethod == 1 && qo_app_Millisecs() % 500 < 200;
    int frame;
    if (blink && entry.alternate >= 0) {
        frame = entry.alternate;
    } else {
        frame = entry.normal + (inputMethod == 0 ? 16 : 0);
    }
    int kern = entry.kern;
    if (!listed && Kern(frame + 32) != 0) kern = Kern(frame + 32);
    return {frame, kern};
}

}  // namespace

float c_MyApp::Advance(int kern) const {
    return (static_cast<float>(m_ImgSize[m_Font * 3]) + static_cast<float>(kern)) * m_SizeX;
}

int c_MyApp::p_TextWidth(String text) {
    String line = String(" ") + text;
    int length = line.Length();
    // Everything but the last glyph, truncated as it is summed.
    int width = 0;
    for (int i = 0; i < length;) {
        int step = line[i] == kEscape && i + 1 < length ? 2 : 1;
        if (i + step >= length) break;
        int kern = step == 2 ? 2 : Kern(line[i]);
        width = static_cast<int>(static_cast<float>(width) + Advance(kern));
        i += step;
    }
    return width;
}

int c_MyApp::p_Text(float x, float y, String text, float alignX, float alignY, int slotOffset) {
    String line = String(" ") + text;
    int length = line.Length();
    int slot = m_Font + slotOffset;
    float lineHeight = static_cast<float>(m_ImgSize[m_Font * 3 + 1]) * m_SizeY;
    int width = p_TextWidth(text);

    float r = -m_Rot;
    float half = static_cast<float>(width) * alignX / 2;
    float originX = x + SinD(r - 90) * half;
    float originY = y - CosD(r - 90) * half;
    originX += SinD(r) * lineHeight * (alignY - 1) / 2;
    originY -= CosD(r) * lineHeight * (alignY - 1) / 2;

    float penX = originX, penY = originY;
    int lines = 0;
    float alongX = SinD(90 - m_Rot), alongY = CosD(90 - m_Rot);
    for (int i = 0; i < length; ++i) {
        int ch = line[i];
        if (ch == '\\' && i + 1 < length && line[i + 1] == 'n') {
            ++lines;
            float down = lineHeight * static_cast<float>(lines);
            penX = originX + SinD(180 - m_Rot) * down + alongX * Advance(0);
            penY = originY - CosD(180 - m_Rot) * down;
            ++i;
            continue;
        }
        int kern;
        if (ch == kEscape && i + 1 < length) {
            Symbol symbol = EscapeSymbol(line[++i], m_InputMethod);
            if (symbol.frame >= 1 && symbol.frame <= 127)
                p_DrawImg(slot, penX, penY, static_cast<float>(symbol.frame));
            kern = symbol.kern;
        } else {
            if (ch == 0) continue;
            int frame = ch - 32;
            if (frame >= 1 && frame <= 127) p_DrawImg(slot, penX, penY, static_cast<float>(frame));
            kern = Kern(ch);
        }
        float a = Advance(kern);
        penX += alongX * a;
        penY -= alongY * a;
    }
    return 0;
}

String c_MyApp::p_rstr(int value, int width, String pad) {
    if (width <= 0) return String();
    String padded;
    for (int i = 0; i <= width; ++i) padded += pad;
    padded += String(value);
    int length = padded.Length();
    return width >= length ? padded : padded.Slice(length - width);
}
