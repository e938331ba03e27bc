#include "platform/message_box.h"
#include "platform/messages.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

class HeadlessBoxes : public ::testing::Test {
  protected:
    void SetUp() override { setenv("SDL_VIDEODRIVER", "dummy", 1); }
    void TearDown() override {
        unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
    }
    void Answers(const char* list) {
        if (list)
            setenv("MIRELDA4_ANSWERS", list, 1);
        else
            unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
    }
    int Box(win::UINT type, const char* text = "t") {
        testing::internal::CaptureStderr();
        const int r = win::MessageBox(nullptr, text, "二重起動", type);
        lastLine = testing::internal::GetCapturedStderr();
        return r;
    }
    std::string lastLine;
};

TEST_F(HeadlessBoxes, DefaultButtonsWithoutAnswers) {
    Answers(nullptr);
    EXPECT_TRUE(win::IsHeadless());
    EXPECT_EQ(Box(win::MB_OK), win::IDOK);
    EXPECT_EQ(Box(win::MB_YESNO), win::IDYES);
    EXPECT_EQ(Box(win::MB_YESNO | win::MB_DEFBUTTON2), win::IDNO);
    EXPECT_EQ(Box(win::MB_OKCANCEL), win::IDOK);
    EXPECT_EQ(Box(win::MB_YESNOCANCEL), win::IDYES);
}

TEST_F(HeadlessBoxes, AnswersAreConsumedOnePerBox) {
    Answers("no, Yes,cancel,ok");
    EXPECT_EQ(Box(win::MB_YESNO), win::IDNO);
    EXPECT_EQ(Box(win::MB_YESNO), win::IDYES);
    EXPECT_EQ(Box(win::MB_OKCANCEL), win::IDCANCEL);
    EXPECT_EQ(Box(win::MB_OK), win::IDOK);
    EXPECT_EQ(Box(win::MB_YESNO | win::MB_DEFBUTTON2), win::IDNO); // list used up: default
}

TEST_F(HeadlessBoxes, AnAnswerThatIsNoButtonOfTheBoxCountsAsTheDefault) {
    Answers("no,bogus");
    EXPECT_EQ(Box(win::MB_OK), win::IDOK);
    EXPECT_EQ(Box(win::MB_YESNO), win::IDYES);
}

TEST_F(HeadlessBoxes, DialogsAndBoxesShareOneListInOrder) {
    Answers("yes, data\\stg4\\A.stg4_000 ,No");
    EXPECT_EQ(Box(win::MB_YESNO | win::MB_DEFBUTTON2), win::IDYES);
    std::string path;
    ASSERT_TRUE(win::TakeScriptedAnswer(path));
    EXPECT_EQ(path, "data\\stg4\\A.stg4_000"); // as written, blanks around it removed
    EXPECT_EQ(Box(win::MB_YESNO), win::IDNO);
    EXPECT_FALSE(win::TakeScriptedAnswer(path));
    Answers(nullptr);
    EXPECT_FALSE(win::TakeScriptedAnswer(path));
}

TEST_F(HeadlessBoxes, CaptionAndTextGoToStandardErrorAsOneUtf8Line) {
    Answers(nullptr);
    Box(win::MB_YESNO, "既に起動しています。\n再起動しますか？");
    // "二重起動" and "既に" in UTF-8, the line feed of the text folded into the one line.
    EXPECT_EQ(lastLine.find("\xe4\xba\x8c\xe9\x87\x8d\xe8\xb5\xb7\xe5\x8b\x95"), 1u);
    EXPECT_NE(lastLine.find("\xe6\x97\xa2\xe3\x81\xab"), std::string::npos);
    EXPECT_EQ(lastLine.find('\n'), lastLine.size() - 1);
    EXPECT_NE(lastLine.find("-> yes"), std::string::npos);
}

// A box the user leaves open: it answers `answer` only when it is not ended first (or after ten
// seconds, which fails the tests that expect a close to end it).
class OpenBoxes : public ::testing::Test {
  protected:
    void SetUp() override { win::ResetMessageModelForTests(); }
    void TearDown() override {
        win::SetMessageBoxPresenter(nullptr);
        win::ResetMessageModelForTests();
    }
    void KeepOpen(int answer) {
        win::SetMessageBoxPresenter(
            [this, answer](const win::MessageBoxRequest&, const std::function<bool()>& closed) {
                shown = true;
                const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (!closed() && std::chrono::steady_clock::now() < end)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return answer;
            });
    }
    // Opens a box on another thread, lets `close` arrive once it is shown, returns its answer.
    template <class Close> int CloseWhileOpen(win::UINT type, Close close) {
        shown = false;
        int result = 0;
        testing::internal::CaptureStderr();
        std::thread box([&] { result = win::MessageBox(nullptr, "System.ini", "エラー", type); });
        while (!shown)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        close();
        box.join();
        lastLine = testing::internal::GetCapturedStderr();
        return result;
    }
    std::atomic<bool> shown{false};
    std::string lastLine;
};

// A close never answers a question Yes: every button set ends as its own close box ends it, by a
// close that arrives while it is open, by shut-down begun before or while it is open, and when the
// box ends without an answer.
TEST_F(OpenBoxes, ACloseEndsTheBoxWithCancelElseNoElseItsOnlyButton) {
    struct Case {
        win::UINT type;
        int closed; // the answer of a close
        const char* line;
    };
    const Case cases[] = {
        {win::MB_OK, win::IDOK, "-> ok"},
        {win::MB_OKCANCEL, win::IDCANCEL, "-> cancel"},
        {win::MB_YESNO, win::IDNO, "-> no"},
        {win::MB_YESNO | win::MB_DEFBUTTON2, win::IDNO, "-> no"},
        {win::MB_YESNOCANCEL, win::IDCANCEL, "-> cancel"},
        {win::MB_YESNOCANCEL | win::MB_DEFBUTTON2, win::IDCANCEL, "-> cancel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(win::ClosedBoxAnswer(c.type), c.closed);
        // The box would answer its default button had the close not come first.
        const int defaultButton = win::MessageBoxButtons(c.type)[0];
        KeepOpen(defaultButton);
        EXPECT_EQ(CloseWhileOpen(c.type, [] { win::EndOpenMessageBoxes(); }), c.closed);
        // The box is not lost: it is written as a headless box is.
        EXPECT_NE(lastLine.find(std::string("System.ini ") + c.line), std::string::npos) << lastLine;
        // Shut-down begun ends a box too (a worker's box must not hold it up) ...
        KeepOpen(defaultButton);
        EXPECT_EQ(CloseWhileOpen(c.type, [] { win::BeginAbort(); }), c.closed);
        // ... and a box asked for after it is answered at once.
        shown = false;
        testing::internal::CaptureStderr();
        EXPECT_EQ(win::MessageBox(nullptr, "System.ini", "エラー", c.type), c.closed);
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(shown);
        win::ResetMessageModelForTests();
        // A box that ends with no answer (its process killed, or no box could be shown at all) is
        // closed too: it never takes a button the user did not press.
        win::SetMessageBoxPresenter([this](const win::MessageBoxRequest&, const std::function<bool()>&) {
            shown = true;
            return 0;
        });
        EXPECT_EQ(CloseWhileOpen(c.type, [] {}), c.closed);
        EXPECT_NE(lastLine.find(std::string("System.ini ") + c.line), std::string::npos) << lastLine;
    }
}

TEST_F(OpenBoxes, AnEarlierCloseLeavesALaterBoxToTheUser) {
    win::SetMessageBoxPresenter([](const win::MessageBoxRequest& box, const std::function<bool()>&) {
        EXPECT_EQ(box.caption, "\xe3\x82\xa8\xe3\x83\xa9\xe3\x83\xbc"); // "エラー" in UTF-8
        return win::IDNO;
    });
    win::EndOpenMessageBoxes();
    EXPECT_EQ(win::MessageBox(nullptr, "System.ini", "エラー", win::MB_YESNO), win::IDNO);
}

} // namespace
