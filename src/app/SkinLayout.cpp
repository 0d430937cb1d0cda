#include "app/SkinLayout.h"

#include <array>

namespace mediaconv::app {
namespace {

constexpr TRgb kGrey{128, 128, 128};
constexpr TRgb kWhite{255, 255, 255};
constexpr TControlPos kHidden{false, 0, 0};

constexpr TControlPos At(int left, int top) { return {true, left, top}; }

// clang-format off
constexpr std::array kSkinLayouts = std::to_array<TSkinLayout>({
    // minimize     close          Help            Log              Back             Next             Exit             page control    title label
    {At(696, 4),  At(728, 4),  At(40, 510), At(138, 510), At(426, 510), At(522, 510), At(672, 510), At(203, 74),  At(24, 43),
     true,  kGrey,  std::nullopt, std::nullopt, false, 0, false},
    {At(766, 3),  At(794, 3),  At(25, 566), At(120, 566), At(400, 566), At(495, 566), At(730, 566), At(240, 110), At(252, 70),
     true,  kWhite, std::nullopt, std::nullopt, false, 0, false},
    {At(696, 6),  At(728, 4),  At(40, 513), At(138, 513), At(426, 513), At(522, 513), At(672, 513), At(198, 74),  At(24, 43),
     true,  kGrey,  std::nullopt, std::nullopt, false, 5, false},
    {kHidden,     kHidden,     At(10, 515), At(120, 515), At(350, 515), At(460, 515), At(665, 515), At(203, 74),  At(215, 55),
     false, kWhite, 165,          180,          true,  0, true},
});
// clang-format on

}  // namespace

std::optional<TSkinLayout> SkinLayoutFor(int skin) {
  if (skin < 0 || static_cast<size_t>(skin) >= kSkinLayouts.size()) return std::nullopt;
  return kSkinLayouts[static_cast<size_t>(skin)];
}

}  // namespace mediaconv::app
