#include "ui/dialog_route.h"

#include "platform/message_box.h"

namespace ui {

cDialogRoute::~cDialogRoute() {
    if (m_bSet) SetDialogHost(m_pPrev);
}

Route cDialogRoute::Decide(std::string& answer) {
    if (GetDialogHost()) return Route::Widgets;
    if (win::TakeScriptedAnswer(answer)) {
        if (answer.rfind("events:", 0) != 0) return Route::Answer;
        ParseScript(answer.substr(7), m_Script);
        m_Script.m_bPublish = true;
        m_pPrev = GetDialogHost();
        SetDialogHost(&m_Script);
        m_bSet = true;
        return Route::Widgets;
    }
    return win::IsHeadless() ? Route::Default : Route::Widgets;
}

} // namespace ui
