// Every demo level drawn in every edit mode must keep its pixels: the table
// holds checksums of the pictures the editor drew before its drawing moved to
// a function of the state.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
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

// Level by level, bg, item, victim, monster1, monster2.
const std::vector<std::array<uint64_t, 5>> kReferenceSums = {
    {0x816531a3ab61ae1full, 0xe4a94c8dac56bdc7ull, 0xe4a94c8dac56bdc7ull, 0xe4a94c8dac56bdc7ull, 0x1f689dc24372294cull},
    {0x935fc9cfe0175805ull, 0xcdbd6688b6cd972dull, 0xcdbd6688b6cd972dull, 0xcdbd6688b6cd972dull, 0xe26192e930501539ull},
    {0x8b25471a61359548ull, 0x1ec2daa38e364944ull, 0x1ec2daa38e364944ull, 0x1ec2daa38e364944ull, 0x199368a033745d7aull},
    {0x90746c8ae4964592ull, 0x4d2cb266688aa89aull, 0x4d2cb266688aa89aull, 0x4d2cb266688aa89aull, 0x7582f8fa1912d17full},
    {0x78a9496d9951d543ull, 0x42851d5722f6f20bull, 0x42851d5722f6f20bull, 0x42851d5722f6f20bull, 0xefdc69ae8b5dadc2ull},
    {0xd67c1e2bfa7989d2ull, 0xbe84e3f8fbb34166ull, 0xbe84e3f8fbb34166ull, 0xbe84e3f8fbb34166ull, 0xeb490836eaec0994ull},
    {0xdfc5cc9b6e2d1748ull, 0xeec89085acd1b630ull, 0xeec89085acd1b630ull, 0xeec89085acd1b630ull, 0x3b5ba45c865b2767ull},
    {0xb6e1e3ee38df429dull, 0xb4a16af218678559ull, 0xb4a16af218678559ull, 0xb4a16af218678559ull, 0x4b416cbc94b7b4aaull},
    {0x74763271701aa226ull, 0x158aff2cdbadcfd6ull, 0x158aff2cdbadcfd6ull, 0x158aff2cdbadcfd6ull, 0x4d24b2d2bff0c54aull},
    {0x3ba73d0098ff6407ull, 0x4f15ca8027f4f2bbull, 0x4f15ca8027f4f2bbull, 0x4f15ca8027f4f2bbull, 0x40173bba3e5f21e2ull},
    {0x9b1aa2af12e1ab1dull, 0x9b24aa59ab0913b5ull, 0x9b24aa59ab0913b5ull, 0x9b24aa59ab0913b5ull, 0x70b53895b263b366ull},
    {0xf25ed7517585201aull, 0x841bd68dbd0f5cfeull, 0x841bd68dbd0f5cfeull, 0x841bd68dbd0f5cfeull, 0x7e9a9b47ddaab12eull},
    {0xccb0a0f8ea6d8979ull, 0x8f3ab765aa409935ull, 0x8f3ab765aa409935ull, 0x8f3ab765aa409935ull, 0xbfeaaffebbaf45abull},
    {0xf3f908704e7849b8ull, 0xcaad8f0418b5f52cull, 0xcaad8f0418b5f52cull, 0xcaad8f0418b5f52cull, 0x9ceefe7f6d6c1c4aull},
    {0x47e7cb4624c12f07ull, 0xe9bb8a00fe70f0e7ull, 0xe9bb8a00fe70f0e7ull, 0xe9bb8a00fe70f0e7ull, 0x9c27a43e669bc99aull},
    {0xda37ebfa2b1a0b2eull, 0xb7d1d3b547b0ea5aull, 0xb7d1d3b547b0ea5aull, 0xb7d1d3b547b0ea5aull, 0xc1b1dce3b99109afull},
    {0xa8ac29a2f4d94540ull, 0xabd566decf40c47cull, 0xabd566decf40c47cull, 0xabd566decf40c47cull, 0x29387cda28694196ull},
    {0xb803954e7907d51dull, 0xeced1087fc1ea5bdull, 0xeced1087fc1ea5bdull, 0xeced1087fc1ea5bdull, 0x9d74c21b4e3e59a9ull},
    {0x895a94292efac060ull, 0x55308c7f78bee8e0ull, 0x55308c7f78bee8e0ull, 0x55308c7f78bee8e0ull, 0x38a7fc1a35a45fb8ull},
    {0x805661463ea6f37eull, 0x0b0c47ee10e7a2e2ull, 0x0b0c47ee10e7a2e2ull, 0x0b0c47ee10e7a2e2ull, 0x65b9b1df1fa66408ull},
    {0x3f5c5b134bee1116ull, 0x3f74975f3aee988aull, 0x3f74975f3aee988aull, 0x3f74975f3aee988aull, 0x04077db51550097aull},
    {0x2e9f930d1e3567d1ull, 0xd30214d12a4ade79ull, 0xd30214d12a4ade79ull, 0xd30214d12a4ade79ull, 0xce153089fdde41bfull},
    {0xf2b2f3c8b1a3ed4aull, 0x4fb28ad4dee6217eull, 0x4fb28ad4dee6217eull, 0x4fb28ad4dee6217eull, 0xfb7d96e24be7f83aull},
    {0x11f56e8bde24c19aull, 0xac44c052bb3624caull, 0xac44c052bb3624caull, 0xac44c052bb3624caull, 0xbb47f6cf48881855ull},
    {0xd12672a357ac075dull, 0x0317aed43a28e3ddull, 0x0317aed43a28e3ddull, 0x0317aed43a28e3ddull, 0xbad1a9975c55ddf1ull},
    {0xf06de23e37340b96ull, 0x19bc9f8140e73722ull, 0x19bc9f8140e73722ull, 0x19bc9f8140e73722ull, 0xa2f330408b9ee539ull},
    {0xc223353b72142851ull, 0x2a91693655b3b0adull, 0x2a91693655b3b0adull, 0x2a91693655b3b0adull, 0x198eaa61e8530d51ull},
    {0x3a7b4224f2d3e602ull, 0x6ef97d4f262c222eull, 0x6ef97d4f262c222eull, 0x6ef97d4f262c222eull, 0xd62bbcc2523e4d92ull},
    {0x0fd9055ad3d32002ull, 0x5d6477bf8ccb7266ull, 0x5d6477bf8ccb7266ull, 0x5d6477bf8ccb7266ull, 0xd708f059995eaf2cull},
    {0x69735948b09e3140ull, 0xda0b50a0cbb305c8ull, 0xda0b50a0cbb305c8ull, 0xda0b50a0cbb305c8ull, 0xfb5c9a262fe88935ull},
    {0x18bd19b348f2943eull, 0x477f17447da703a2ull, 0x477f17447da703a2ull, 0x477f17447da703a2ull, 0x40213e5a82066821ull},
    {0xd95e30db13d729c3ull, 0x9682770a8b590493ull, 0x9682770a8b590493ull, 0x9682770a8b590493ull, 0xab33596f0e6125bcull},
    {0xc25ee72a80be336bull, 0x5d7f093bcc6cb553ull, 0x5d7f093bcc6cb553ull, 0x5d7f093bcc6cb553ull, 0x841343b45b9d7be4ull},
    {0x5d911532c4f14751ull, 0xa8022b0f6070eb85ull, 0xa8022b0f6070eb85ull, 0xa8022b0f6070eb85ull, 0x79c57a1070036b73ull},
    {0x2d50631e411e9891ull, 0x6e2b4ea727bb4dd9ull, 0x6e2b4ea727bb4dd9ull, 0x6e2b4ea727bb4dd9ull, 0xbce6ee8afaef3ee8ull},
    {0x330e4f373947382aull, 0x5cab559a4b22126eull, 0x5cab559a4b22126eull, 0x5cab559a4b22126eull, 0x3e04cc013427d983ull},
    {0x347a3f98024d94ddull, 0x90b8138119328391ull, 0x90b8138119328391ull, 0x90b8138119328391ull, 0xdb8215d147a938d4ull},
    {0x1f05750a34d6bb76ull, 0x4e0c0f48e7b672aaull, 0x4e0c0f48e7b672aaull, 0x4e0c0f48e7b672aaull, 0x6726725472812780ull},
    {0x0b3e8d8a97127ebcull, 0x065664f49cfb32f0ull, 0x065664f49cfb32f0ull, 0x065664f49cfb32f0ull, 0x8165f227df687362ull},
    {0x92d9c14e9cf491dcull, 0xf125051cadd78de8ull, 0xf125051cadd78de8ull, 0xf125051cadd78de8ull, 0x641e6d6e5f2a0934ull},
    {0x1122d760ca32a57bull, 0x0f1d42d9bf361e47ull, 0x0f1d42d9bf361e47ull, 0x0f1d42d9bf361e47ull, 0x9044b68ce2227f6aull},
    {0x8855ff68e5198ce9ull, 0xc6e8e7c1c5b3498dull, 0xc6e8e7c1c5b3498dull, 0xc6e8e7c1c5b3498dull, 0xfbd990d9aa6742ddull},
    {0xd8942d25930ff2d7ull, 0xd07c0794c08970bfull, 0xd07c0794c08970bfull, 0xd07c0794c08970bfull, 0x8289dbd9e225e42aull},
    {0x747aab9351dbfa16ull, 0x9a0dfb3012fe0a06ull, 0x9a0dfb3012fe0a06ull, 0x9a0dfb3012fe0a06ull, 0x71531cdaa090560cull},
    {0x10f7f18cfe1694c1ull, 0xc4fb671e1031ea11ull, 0xc4fb671e1031ea11ull, 0xc4fb671e1031ea11ull, 0xdb58181ddaba0ac7ull},
    {0x99f6eec494a2084bull, 0x746791350b7d9cfbull, 0x746791350b7d9cfbull, 0x746791350b7d9cfbull, 0x769efda23a09068aull},
    {0x99f7542390827034ull, 0x2743e7ccfa7328f0ull, 0x2743e7ccfa7328f0ull, 0x2743e7ccfa7328f0ull, 0x34f379c666cce9b8ull},
    {0x0488574990c28a9aull, 0xd539ca6881121f5eull, 0xd539ca6881121f5eull, 0xd539ca6881121f5eull, 0xa5cf1beb0fffaa5eull},
    {0xf464d399aac2e2c9ull, 0x874e173ca759bb1dull, 0x874e173ca759bb1dull, 0x874e173ca759bb1dull, 0x07fa9ced3568835bull},
    {0xc577507f9d2e66b9ull, 0x107eda19953f5be1ull, 0x107eda19953f5be1ull, 0x107eda19953f5be1ull, 0x94ba200610d8df0full},
    {0xb1a460f4feff56d8ull, 0x466ec413ee29a504ull, 0x466ec413ee29a504ull, 0x466ec413ee29a504ull, 0xe57d573161a64508ull},
    {0x26b3d6d1f37d56f5ull, 0x4c3674a2456c96a5ull, 0x4c3674a2456c96a5ull, 0x4c3674a2456c96a5ull, 0x41993a498261a82aull},
    {0x4845d454ebe02841ull, 0xf00ef371c5bad0e5ull, 0xf00ef371c5bad0e5ull, 0xf00ef371c5bad0e5ull, 0xf0610453fe98c97cull},
    {0x631324dba4fdb623ull, 0x6a580bec66150a3full, 0x6a580bec66150a3full, 0x6a580bec66150a3full, 0x79fc97321329a37cull},
    {0xcd72438e7c9f22adull, 0x4b7eb3f0c094424dull, 0x4b7eb3f0c094424dull, 0x4b7eb3f0c094424dull, 0xd63bebc0af866f37ull},
    {0xae0cf69c9982c4c4ull, 0xa2673ab8515004c8ull, 0xa2673ab8515004c8ull, 0xa2673ab8515004c8ull, 0xcd45844b4bab59f1ull},
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
            const uint64_t sum = pictureSum(*picture);
            if (level < kReferenceSums.size()) {
                EXPECT_EQ(sum, kReferenceSums[level][m]) << "level " << level << " mode " << m;
            } else {
                std::printf("0x%016llxull,%s", static_cast<unsigned long long>(sum), m == 4 ? "\n" : " ");
            }
        }
    }
    EXPECT_TRUE(shell.boxes.empty());
}

}  // namespace
}  // namespace vurk
