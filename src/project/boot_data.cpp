#include "project/boot_data.h"

cBootData g_BootData;

cBootData::cBootData() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cBootData::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&nDrawMode);
    DeclareField(&bNoAsk);
}
