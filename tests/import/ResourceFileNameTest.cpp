// SPDX-License-Identifier: MIT
#include "import/ResourceFileName.h"

#include <gtest/gtest.h>

namespace {

TEST(ResourceFileName, KeepsWhatIsSafeReplacesTheRestAndCutsToAHundredCharacters) {
    std::string accents;
    for (int i = 0; i < 150; ++i) {
        accents += "\xC3\xA9";
    }
    const std::pair<std::string, std::string> cases[] = {
        {"#133", "#133"},
        {"Toolbar (big)_2.x-y", "Toolbar (big)_2.x-y"},
        {"../../x", "_._.._x"},
        {"a/b\\c", "a_b_c"},
        {"line\nbreak\ttab\r", "line_break_tab_"},
        {"\x1b[31mred", "__31mred"},
        {"say \"hi\" 'there'", "say _hi_ _there_"},
        {"-rf", "_rf"},
        {".hidden", "_hidden"},
        {"\xC3\x84rger \xE6\x97\xA5", "\xC3\x84rger \xE6\x97\xA5"},  // letters of other scripts
        {"\xEF\xBF\xBD", "_"},                                       // a lone UTF-16 half
        {"\xE2\x80\xAEgnp.exe", "_gnp.exe"},                         // a direction override
        {"\xC2\x85\xC2\xA0", "__"},                                  // C1 control, no-break space
        {"\xC3", "_"},                                               // cut short
        {"\xC0\xAF", "__"},                                          // an overlong '/'
        {"\xED\xA0\x80", "___"},                                     // an encoded surrogate
        {"", ""},
        {std::string(150, 'a'), std::string(100, 'a')},  // cut to a hundred characters
        {accents, accents.substr(0, 200)}};
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(ResourceFileName::Safe(name), safe) << name;
    }
    EXPECT_EQ(ResourceFileName::ForModuleBitmap("shell32.dll", "../x"), "shell32.dll_._x.bmp");
}

}  // namespace
