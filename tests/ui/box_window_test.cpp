#include "platform/cp932.h"
#include "ui/box_window.h"
#include "ui/desktop.h"
#include "ui/widget_draw.h"

#include <gtest/gtest.h>

namespace {

using ui::cMessageBoxDialog;

int Answer(win::UINT type, const std::string& script) {
    ui::cScriptHost host;
    EXPECT_TRUE(ui::ParseScript(script, host)) << script;
    ui::SetDialogHost(&host);
    cMessageBoxDialog box({"t", "c", type});
    const int answer = box.RunModal(0);
    ui::SetDialogHost(nullptr);
    return answer;
}

TEST(MessageBoxDialog, KeysClicksAndClosingGiveTheBoxesAnswers) {
    ui::ResetDesktopForTests();
    struct Case {
        win::UINT type;
        const char* script;
        int answer;
    } const cases[] = {
        {win::MB_YESNO, "enter", win::IDYES},
        {win::MB_YESNO, "tab enter", win::IDNO},
        {win::MB_YESNO, "tab space", win::IDNO},
        {win::MB_YESNO | win::MB_DEFBUTTON2, "enter", win::IDNO},
        {win::MB_YESNO | win::MB_DEFBUTTON2, "shift+tab enter", win::IDYES},
        {win::MB_YESNO, "click:7", win::IDNO},
        {win::MB_YESNO, "escape", win::IDNO},
        {win::MB_YESNO, "close", win::IDNO},
        {win::MB_YESNO, "", win::IDNO}, // no more input: closed
        {win::MB_YESNOCANCEL, "tab tab enter", win::IDCANCEL},
        {win::MB_YESNOCANCEL, "escape", win::IDCANCEL},
        {win::MB_OKCANCEL, "enter", win::IDOK},
        {win::MB_OKCANCEL, "click:close", win::IDCANCEL},
        {win::MB_OK, "escape", win::IDOK},
        {win::MB_OK, "click:1", win::IDOK},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Answer(c.type, c.script), c.answer) << c.type << " '" << c.script << "'";
}

// Every line of the text has room, the buttons sit below it side by side in the platform's order,
// and the box stays on the desktop whatever the text's length.
TEST(MessageBoxDialog, LaysOutTheTextAndTheButtons) {
    ui::ResetDesktopForTests();
    const std::string longLine(300, 'W');
    for (const std::string& text :
         {std::string("既に起動しています。\n実行中のプログラムを閉じて再起動しますか？\n\nRestart?"),
          std::string("x"), longLine + " " + longLine + "\n" + longLine}) {
        ui::cScriptHost host;
        bool looked = false;
        host.Do([&](ui::cDialog& d) {
            looked = true;
            const win::RECT r = d.WindowRect();
            EXPECT_GE(r.left, 0);
            EXPECT_GE(r.top, 0);
            EXPECT_LE(r.right, ui::FRAME_W);
            EXPECT_LE(r.bottom, ui::FRAME_H);
            const ui::cWidget* s = d.Widgets().front().get();
            EXPECT_EQ(s->text, cp932::FromUtf8(text));
            int lines = 1;
            for (char ch : text)
                lines += ch == '\n';
            const int width = s->rect.right - s->rect.left;
            if (text.size() < 100) {
                EXPECT_GE(s->rect.bottom - s->rect.top, lines * ui::DialogLineHeight()) << text;
                for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
                    end = std::min(text.find('\n', at), text.size());
                    EXPECT_LE(ui::DialogTextWidth(cp932::FromUtf8(text.substr(at, end - at))), width);
                }
            }
            std::vector<int> order;
            int lastRight = 0;
            for (const auto& w : d.Widgets()) {
                if (w->type != ui::WidgetType::PushButton) continue;
                order.push_back(w->id);
                EXPECT_GE(w->rect.top, s->rect.bottom);
                EXPECT_GE(w->rect.left, lastRight);
                EXPECT_LE(w->rect.bottom, d.ClientHeight());
                lastRight = w->rect.right;
                EXPECT_EQ((w->style & ui::CS_DEFAULT) != 0, w->id == win::IDNO);
            }
            EXPECT_EQ(order, (std::vector<int>{win::IDYES, win::IDNO, win::IDCANCEL}));
            EXPECT_EQ(d.Focus(), d.GetDlgItem(win::IDNO));
        });
        ui::SetDialogHost(&host);
        cMessageBoxDialog box({text, "二重起動", win::MB_YESNOCANCEL | win::MB_DEFBUTTON2});
        EXPECT_EQ(box.RunModal(0), win::IDCANCEL);
        ui::SetDialogHost(nullptr);
        EXPECT_TRUE(looked);
    }
}

} // namespace
