#include <gtest/gtest.h>

#include "installer/messages.h"
#include "tests/win32/answer_boxes.h"

namespace {

// Each kind of box has its caption and icon; the joined text leaves out absent and empty parts.
TEST(Boxes, ShowCaptionIconAndJoinedText) {
    std::vector<e2e::BoxSeen> seen;
    std::thread answerer = AnswerBoxes({IDYES, IDOK, IDOK}, &seen);
    AskYesNoText(nullptr, "x", nullptr, "");
    ShowInfoText(nullptr, "\x8F\xEE\x95\xF1", nullptr, "2");  // 情報
    ShowErrorText(nullptr, "", "a", "bc");
    answerer.join();
    const wchar_t* shown[] = {L"質問: x", L"情報: 情報2", L"エラー: abc"};
    LPCSTR icons[] = {IDI_QUESTION, IDI_INFORMATION, IDI_ERROR};
    ASSERT_EQ(3u, seen.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(shown[i], seen[i].caption + L": " + seen[i].text);
        EXPECT_EQ(LoadIcon(nullptr, icons[i]), seen[i].icon) << i;
    }
}

}  // namespace
