// GdiHandles.cpp
#include "menu/GdiHandles.h"

namespace
{
long s_nMenuGdiTally = 0;   // GUI thread only
}

long GetMenuGdiTally()
{
    return s_nMenuGdiTally;
}

void AdjustMenuGdiTally(long nDelta)
{
    s_nMenuGdiTally += nDelta;
}
