#include "engine/UiModelServices.h"

// Strict UTF-8 as in RFC 3629: the shortest form only, no surrogates (U+D800-DFFF), nothing above
// U+10FFFF, no sequence cut short. The ranges of each sequence's second byte do all three checks:
//
// | first byte | second byte | further bytes | code points          |
// | 00-7F      | -           | -             | U+0000-007F          |
// | C2-DF      | 80-BF       | -             | U+0080-07FF          |
// | E0         | A0-BF       | 80-BF         | U+0800-0FFF          |
// | E1-EC, EE-EF | 80-BF     | 80-BF         | U+1000-CFFF, E000-FFFF |
// | ED         | 80-9F       | 80-BF         | U+D000-D7FF          |
// | F0         | 90-BF       | 80-BF x2      | U+10000-3FFFF        |
// | F1-F3      | 80-BF       | 80-BF x2      | U+40000-FFFFF        |
// | F4         | 80-8F       | 80-BF x2      | U+100000-10FFFF      |
bool isValidString(char const* pszText) {
    if (!pszText) return false;
    auto const* p = reinterpret_cast<unsigned char const*>(pszText);
    auto isContinuation = [](unsigned char c) { return c >= 0x80 && c <= 0xBF; };
    while (*p) {
        unsigned char const c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int iFollowing = 0;
        unsigned char uSecondLow = 0x80, uSecondHigh = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            iFollowing = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            iFollowing = 2;
            if (c == 0xE0) uSecondLow = 0xA0;
            if (c == 0xED) uSecondHigh = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            iFollowing = 3;
            if (c == 0xF0) uSecondLow = 0x90;
            if (c == 0xF4) uSecondHigh = 0x8F;
        } else {
            return false;  // a stray continuation byte, C0/C1 (overlong) or F5-FF
        }
        // The terminating zero is no continuation byte, so a cut sequence stops here unread past.
        if (p[1] < uSecondLow || p[1] > uSecondHigh) return false;
        for (int i = 2; i <= iFollowing; ++i)
            if (!isContinuation(p[i])) return false;
        p += 1 + iFollowing;
    }
    return true;
}
