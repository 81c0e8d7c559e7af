// Prints, as shell assignments, where the main window's controls are: the client area's
// height and each placed control's centre in client pixels (CLIENT_HEIGHT=508, Text3_X=...).
// The screenshot script points at controls with it.
#include "ui/form1_layout.h"

#include <cstdio>
#include <map>
#include <string>

int main() {
    using namespace qlm;
    std::map<std::string, std::pair<int, int>> origin{{"", {0, 0}}};
    std::printf("CLIENT_WIDTH=%d\nCLIENT_HEIGHT=%d\n", px(kClientWidthTwips),
                px(kClientHeightTwips));
    for (const Placement& at : form1_placements()) {
        const auto [left, top] = origin.at(at.parent);
        const int x = left + px(at.left), y = top + px(at.top);
        origin[at.name] = {x, y};
        std::printf("%s_X=%d\n%s_Y=%d\n", at.name, x + px(at.width) / 2, at.name,
                    y + px(at.height) / 2);
    }
    return 0;
}
