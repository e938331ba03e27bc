#include "ui/boot_dialog.h"

#include "app/paths.h"
#include "platform/message_box.h"
#include "project/boot_data.h"

#include <string>

int RunBootDialog() {
    std::string answer;
    if (win::TakeScriptedAnswer(answer)) {
        if (answer == "cancel") return 0;
        if (answer.rfind("direct3d", 0) == 0) g_BootData.nDrawMode = 1;
        if (answer.rfind("directdraw", 0) == 0) g_BootData.nDrawMode = 0;
        if (answer.find("noask") != std::string::npos) g_BootData.bNoAsk = 1;
    }
    // The choice applies to this run even when it cannot be stored.
    g_BootData.SaveFile(g_PathTable[PATH_BOOT_DAT]);
    return 1;
}
