// The view projection for a client area: a 90-degree perspective over the whole area.
#pragma once

#include <cstdint>

void SetProjection(int32_t width, int32_t height);
