// Every demo level drawn in every edit mode must keep its pixels: the table
// holds checksums of the pictures the editor drew before its drawing moved to
// a function of the state.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "tests/support/fake_shell.h"
#include "tests/support/run_tool.h"
#include "tests/support/workdir.h"
#include "view/level_loader.h"
#include "view/map_draw.h"

namespace vurk {
namespace {

struct Mode {
    int32_t editMode, monsterList;
};
constexpr Mode kModes[] = {{kModeBg, kOtmList}, {kModeItem, kOtmList}, {kModeVictim, kOtmList},
                           {kModeMonster, kOtmList}, {kModeMonster, kRsmList}};

// FNV-1a over the colours (not the unused byte) and the size.
uint64_t pictureSum(const Bitmap& b) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint32_t v) {
        h ^= v;
        h *= 1099511628211ull;
    };
    mix(static_cast<uint32_t>(b.width()));
    mix(static_cast<uint32_t>(b.height()));
    for (int32_t y = 0; y < b.height(); ++y) {
        const uint8_t* row = b.row(y);
        for (int32_t x = 0; x < b.width(); ++x) {
            uint32_t v;
            std::memcpy(&v, row + size_t(x) * 4, 4);
            mix(v & 0xFFFFFF);
        }
    }
    return h;
}

// Two levels a line, each: bg mode; item, victim and monster mode with the
// first list (one picture: the cursor shows in bg mode only); the second list.
const std::vector<std::array<uint64_t, 3>> kReferenceSums = {
    {0x816531a3ab61ae1f, 0xe4a94c8dac56bdc7, 0x1f689dc24372294c}, {0x935fc9cfe0175805, 0xcdbd6688b6cd972d, 0xe26192e930501539},
    {0x8b25471a61359548, 0x1ec2daa38e364944, 0x199368a033745d7a}, {0x90746c8ae4964592, 0x4d2cb266688aa89a, 0x7582f8fa1912d17f},
    {0x78a9496d9951d543, 0x42851d5722f6f20b, 0xefdc69ae8b5dadc2}, {0xd67c1e2bfa7989d2, 0xbe84e3f8fbb34166, 0xeb490836eaec0994},
    {0xdfc5cc9b6e2d1748, 0xeec89085acd1b630, 0x3b5ba45c865b2767}, {0xb6e1e3ee38df429d, 0xb4a16af218678559, 0x4b416cbc94b7b4aa},
    {0x74763271701aa226, 0x158aff2cdbadcfd6, 0x4d24b2d2bff0c54a}, {0x3ba73d0098ff6407, 0x4f15ca8027f4f2bb, 0x40173bba3e5f21e2},
    {0x9b1aa2af12e1ab1d, 0x9b24aa59ab0913b5, 0x70b53895b263b366}, {0xf25ed7517585201a, 0x841bd68dbd0f5cfe, 0x7e9a9b47ddaab12e},
    {0xccb0a0f8ea6d8979, 0x8f3ab765aa409935, 0xbfeaaffebbaf45ab}, {0xf3f908704e7849b8, 0xcaad8f0418b5f52c, 0x9ceefe7f6d6c1c4a},
    {0x47e7cb4624c12f07, 0xe9bb8a00fe70f0e7, 0x9c27a43e669bc99a}, {0xda37ebfa2b1a0b2e, 0xb7d1d3b547b0ea5a, 0xc1b1dce3b99109af},
    {0xa8ac29a2f4d94540, 0xabd566decf40c47c, 0x29387cda28694196}, {0xb803954e7907d51d, 0xeced1087fc1ea5bd, 0x9d74c21b4e3e59a9},
    {0x895a94292efac060, 0x55308c7f78bee8e0, 0x38a7fc1a35a45fb8}, {0x805661463ea6f37e, 0x0b0c47ee10e7a2e2, 0x65b9b1df1fa66408},
    {0x3f5c5b134bee1116, 0x3f74975f3aee988a, 0x04077db51550097a}, {0x2e9f930d1e3567d1, 0xd30214d12a4ade79, 0xce153089fdde41bf},
    {0xf2b2f3c8b1a3ed4a, 0x4fb28ad4dee6217e, 0xfb7d96e24be7f83a}, {0x11f56e8bde24c19a, 0xac44c052bb3624ca, 0xbb47f6cf48881855},
    {0xd12672a357ac075d, 0x0317aed43a28e3dd, 0xbad1a9975c55ddf1}, {0xf06de23e37340b96, 0x19bc9f8140e73722, 0xa2f330408b9ee539},
    {0xc223353b72142851, 0x2a91693655b3b0ad, 0x198eaa61e8530d51}, {0x3a7b4224f2d3e602, 0x6ef97d4f262c222e, 0xd62bbcc2523e4d92},
    {0x0fd9055ad3d32002, 0x5d6477bf8ccb7266, 0xd708f059995eaf2c}, {0x69735948b09e3140, 0xda0b50a0cbb305c8, 0xfb5c9a262fe88935},
    {0x18bd19b348f2943e, 0x477f17447da703a2, 0x40213e5a82066821}, {0xd95e30db13d729c3, 0x9682770a8b590493, 0xab33596f0e6125bc},
    {0xc25ee72a80be336b, 0x5d7f093bcc6cb553, 0x841343b45b9d7be4}, {0x5d911532c4f14751, 0xa8022b0f6070eb85, 0x79c57a1070036b73},
    {0x2d50631e411e9891, 0x6e2b4ea727bb4dd9, 0xbce6ee8afaef3ee8}, {0x330e4f373947382a, 0x5cab559a4b22126e, 0x3e04cc013427d983},
    {0x347a3f98024d94dd, 0x90b8138119328391, 0xdb8215d147a938d4}, {0x1f05750a34d6bb76, 0x4e0c0f48e7b672aa, 0x6726725472812780},
    {0x0b3e8d8a97127ebc, 0x065664f49cfb32f0, 0x8165f227df687362}, {0x92d9c14e9cf491dc, 0xf125051cadd78de8, 0x641e6d6e5f2a0934},
    {0x1122d760ca32a57b, 0x0f1d42d9bf361e47, 0x9044b68ce2227f6a}, {0x8855ff68e5198ce9, 0xc6e8e7c1c5b3498d, 0xfbd990d9aa6742dd},
    {0xd8942d25930ff2d7, 0xd07c0794c08970bf, 0x8289dbd9e225e42a}, {0x747aab9351dbfa16, 0x9a0dfb3012fe0a06, 0x71531cdaa090560c},
    {0x10f7f18cfe1694c1, 0xc4fb671e1031ea11, 0xdb58181ddaba0ac7}, {0x99f6eec494a2084b, 0x746791350b7d9cfb, 0x769efda23a09068a},
    {0x99f7542390827034, 0x2743e7ccfa7328f0, 0x34f379c666cce9b8}, {0x0488574990c28a9a, 0xd539ca6881121f5e, 0xa5cf1beb0fffaa5e},
    {0xf464d399aac2e2c9, 0x874e173ca759bb1d, 0x07fa9ced3568835b}, {0xc577507f9d2e66b9, 0x107eda19953f5be1, 0x94ba200610d8df0f},
    {0xb1a460f4feff56d8, 0x466ec413ee29a504, 0xe57d573161a64508}, {0x26b3d6d1f37d56f5, 0x4c3674a2456c96a5, 0x41993a498261a82a},
    {0x4845d454ebe02841, 0xf00ef371c5bad0e5, 0xf0610453fe98c97c}, {0x631324dba4fdb623, 0x6a580bec66150a3f, 0x79fc97321329a37c},
    {0xcd72438e7c9f22ad, 0x4b7eb3f0c094424d, 0xd63bebc0af866f37}, {0xae0cf69c9982c4c4, 0xa2673ab8515004c8, 0xcd45844b4bab59f1},
};

TEST(RenderReference, EveryDemoLevelInEveryModeKeepsItsPixels) {
    test::WorkDir dir;
    ASSERT_EQ(test::runDemoMaker(".").status, 0);
    test::FakeShell shell;
    EditorState s;
    ASSERT_EQ(openRomImage(s.rom), RomOpenResult::Ok);
    loadSpriteSheets(s, shell);
    for (uint32_t level = 0; level < 56; ++level) {
        for (size_t m = 0; m < 5; ++m) {
            s.editMode = kModes[m].editMode;
            s.monsterList = kModes[m].monsterList;
            ASSERT_TRUE(loadLevel(s, shell, level));
            const std::unique_ptr<Bitmap> picture = renderLevelArea(s, mapRect(s));
            ASSERT_TRUE(picture);
            EXPECT_EQ(pictureSum(*picture), kReferenceSums.at(level)[m == 4 ? 2 : m > 0])
                << "level " << level << " mode " << m;
        }
    }
    EXPECT_TRUE(shell.boxes.empty());
}

}  // namespace
}  // namespace vurk
