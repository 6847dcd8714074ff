#include "app/control_geometry.h"

#include <array>

namespace vortane {
namespace {

// clang-format off
constexpr std::array kGeometry = {
    //              id    x    y    w    h
    ControlGeometry{76, 560, 230,  40,  20},
    ControlGeometry{77, 610, 230,  40,  20},
    ControlGeometry{78, 660, 230,  40,  20},
    ControlGeometry{69, 630,  25,  90,  20},
    ControlGeometry{70, 560, 255,  60,  20},
    ControlGeometry{72, 640, 255,  70,  20},
    ControlGeometry{71, 560, 280,  60,  20},
    ControlGeometry{73, 640, 280,  70,  20},
    ControlGeometry{74, 560, 305,  80,  20},
    ControlGeometry{75, 640, 305,  80,  20},
    ControlGeometry{21, 425, 215, 120, 120},
    ControlGeometry{25, 425,  10, 200,  40},
    ControlGeometry{22, 425,  60, 300, 150},
    ControlGeometry{23,  10, 215, 400, 120},
    ControlGeometry{24,  10, 345, 535, 110},
    ControlGeometry{26, 555, 345, 170, 110},
    ControlGeometry{27, 555, 215, 170, 120},
    ControlGeometry{28, 440,  80,  60,  20},
    ControlGeometry{29, 440, 110,  60,  20},
    ControlGeometry{30, 440, 140,  60,  20},
    ControlGeometry{31, 440, 170,  60,  20},
    ControlGeometry{35, 610,  80, 100,  20},
    ControlGeometry{34, 610, 110, 100,  20},
    ControlGeometry{36, 610, 140, 100,  20},
    ControlGeometry{37, 610, 170, 100,  20},
    ControlGeometry{52, 510,  80, 100,  20},
    ControlGeometry{53, 510, 110, 100,  20},
    ControlGeometry{54, 510, 140, 100,  20},
    ControlGeometry{55, 510, 170, 100,  20},
    ControlGeometry{ 2, 570, 370, 140,  20},
    ControlGeometry{ 3, 570, 410, 140,  20},
    ControlGeometry{ 8,  10,  10, 400, 200},
    ControlGeometry{ 4, 440, 243,  20,  80},
    ControlGeometry{ 5, 480, 243,  20,  80},
    ControlGeometry{ 6, 440, 230,  18,  20},
    ControlGeometry{ 7, 480, 230,  22,  20},
    ControlGeometry{13, 350, 243,  20,  80},
    ControlGeometry{ 9,  15, 243,  20,  80},
    ControlGeometry{10, 100, 243,  20,  80},
    ControlGeometry{11, 135, 243,  20,  80},
    ControlGeometry{12, 170, 243,  20,  80},
    ControlGeometry{38, 130, 370, 100,  20},
    ControlGeometry{39, 130, 390, 100,  20},
    ControlGeometry{40, 130, 410, 100,  20},
    ControlGeometry{41, 130, 430, 100,  20},
    ControlGeometry{61, 290, 370, 100,  20},
    ControlGeometry{62, 290, 390, 100,  20},
    ControlGeometry{63, 290, 410, 100,  20},
    ControlGeometry{64, 290, 430, 100,  20},
    ControlGeometry{65, 250, 370,  50,  20},
    ControlGeometry{66, 250, 390,  50,  20},
    ControlGeometry{67, 250, 410,  50,  20},
    ControlGeometry{68, 250, 430,  50,  20},
    ControlGeometry{56,  20, 370, 120,  20},
    ControlGeometry{57,  20, 390, 120,  20},
    ControlGeometry{58,  20, 410, 120,  20},
    ControlGeometry{59,  20, 430, 120,  20},
    ControlGeometry{50, 440,  28, 180,  20},
    ControlGeometry{51,  60, 243,  20,  80},
    ControlGeometry{42, 395, 370,  80,  20},
    ControlGeometry{43, 395, 390,  80,  20},
    ControlGeometry{44, 395, 410,  80,  20},
    ControlGeometry{45, 395, 430,  80,  20},
    ControlGeometry{46, 480, 370,  50,  20},
    ControlGeometry{47, 480, 390,  50,  20},
    ControlGeometry{48, 480, 410,  50,  20},
    ControlGeometry{49, 480, 430,  50,  20},
    ControlGeometry{15,  17, 230,  20,  20},
    ControlGeometry{19,  50, 230,  40,  20},
    ControlGeometry{16, 102, 230,  20,  20},
    ControlGeometry{17, 137, 230,  20,  20},
    ControlGeometry{18, 172, 230,  20,  20},
    ControlGeometry{20, 325, 230,  80,  20},
};
// clang-format on

} // namespace

ControlGeometry GeometryOf(int id) {
    for (const ControlGeometry& g : kGeometry) {
        if (g.id == id) {
            return g;
        }
    }
    return ControlGeometry{id, 0, 0, 0, 0};
}

} // namespace vortane
