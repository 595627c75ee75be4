#include "input/key_codes.h"

namespace keys {

int KeyToChar(int code) {
    switch (code) {
        case kBackspace:
        case kTab:
        case kEnter:
        case kEscape:
            return code;
        case kPageUp:
        case kPageDown:
        case kEnd:
        case kHome:
        case kLeft:
        case kUp:
        case kRight:
        case kDown:
        case kInsert:
            return code | 0x10000;
        case kDelete:
            return 127;
    }
    return 0;
}

}  // namespace keys
