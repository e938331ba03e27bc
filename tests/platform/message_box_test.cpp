#include "platform/message_box.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

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

} // namespace
