#include "ui/drop/drop_effect.h"

#include <gtest/gtest.h>
#include <oleidl.h>

namespace dovrel {
namespace {

constexpr DWORD N = DROPEFFECT_NONE, C = DROPEFFECT_COPY, M = DROPEFFECT_MOVE, L = DROPEFFECT_LINK;

struct KeyRow {
    const char* name;
    DWORD keyState;
    DWORD expected[8];  // the effect for each allowed mask 0 to 7 (copy 1, move 2, link 4)
};

class ChooseDropEffectTable : public testing::TestWithParam<KeyRow> {};

TEST_P(ChooseDropEffectTable, EveryAllowedMask)
{
    const KeyRow& row = GetParam();
    for (DWORD allowed = 0; allowed < 8; ++allowed) {
        SCOPED_TRACE(testing::Message() << "allowed mask " << allowed);
        DWORD effect = allowed;
        const bool result = ChooseDropEffect(true, row.keyState, effect);
        EXPECT_EQ(effect, row.expected[allowed]);
        EXPECT_EQ(result, row.expected[allowed] != N);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modifiers, ChooseDropEffectTable,
    testing::Values(KeyRow{"NoKey", 0, {N, C, M, C, L, C, M, C}},
                    KeyRow{"Control", MK_CONTROL, {N, C, N, C, N, C, N, C}},
                    KeyRow{"Shift", MK_SHIFT, {N, N, M, M, N, N, M, M}},
                    KeyRow{"ControlShift", MK_CONTROL | MK_SHIFT, {N, N, N, N, N, N, N, N}},
                    // Buttons and Alt do not count as modifiers.
                    KeyRow{"ButtonsAndAlt", MK_LBUTTON | MK_RBUTTON | MK_ALT, {N, C, M, C, L, C, M, C}},
                    KeyRow{"ControlWithButton", MK_CONTROL | MK_LBUTTON, {N, C, N, C, N, C, N, C}}),
    [](const testing::TestParamInfo<KeyRow>& info) { return std::string(info.param.name); });

TEST(ChooseDropEffect, RefusedDragIsNoneWhateverTheKeysAndSource)
{
    for (DWORD keys : {DWORD{0}, DWORD{MK_CONTROL}, DWORD{MK_SHIFT}, DWORD{MK_CONTROL | MK_SHIFT}}) {
        DWORD effect = C | M | L;
        EXPECT_FALSE(ChooseDropEffect(false, keys, effect));
        EXPECT_EQ(effect, N);
    }
}

TEST(ChooseDropEffect, ScrollBitOfTheSourceIsNotPassedOn)
{
    DWORD effect = DROPEFFECT_SCROLL | L;
    EXPECT_TRUE(ChooseDropEffect(true, 0, effect));
    EXPECT_EQ(effect, L);
}

}  // namespace
}  // namespace dovrel
