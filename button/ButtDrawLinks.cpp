// Where the core reaches the layout and the style painters.
#include "button/Butt.h"

namespace button {

const std::array<StylePainter, kStyleCount>& Butt::StylePainters() {
    static const std::array<StylePainter, kStyleCount> painters{
        &Butt::DrawButtonStyle0, &Butt::DrawButtonStyle1, &Butt::DrawButtonStyle2,
        &Butt::DrawButtonStyle3, &Butt::DrawButtonStyle4, &Butt::DrawButtonStyle5,
        &Butt::DrawButtonStyle6, &Butt::DrawButtonStyle7};
    return painters;
}

void Butt::LinkCalcLayout(VbBool RebuildImage) { CalcLayout(RebuildImage); }

}  // namespace button
