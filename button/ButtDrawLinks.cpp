// Where the core reaches the layout and the style painters. Until they are built no
// painter runs (a style without a painter paints nothing) and no layout is made.
#include "button/Butt.h"

namespace button {

const std::array<StylePainter, kStyleCount>& Butt::StylePainters() {
    static const std::array<StylePainter, kStyleCount> painters{};
    return painters;
}

void Butt::LinkCalcLayout(VbBool RebuildImage) { (void)RebuildImage; }

}  // namespace button
