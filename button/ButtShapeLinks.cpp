// Where the core reaches the region builder. Until it is built the window keeps the plain
// rectangle it was created with.
#include "button/Butt.h"

namespace button {

void Butt::LinkCreateButtonRegion() {}

}  // namespace button
