// Where the core reaches the region builder.
#include "button/Butt.h"

namespace button {

void Butt::LinkCreateButtonRegion() { CreateButtonRegion(); }

}  // namespace button
