// Painting the clock line and the sentence.
#include "window_test_support.h"

#include "clock.h"

#include <cstring>

namespace {

typedef std::vector<std::string> Names;

const long long DC = 0x2000; // the double's paint device context

class Paint : public Window_Test {};

TEST_F(Paint, DrawsTheClockInBlackThenTheSentenceInBlueBelowIt)
{
    const std::string clock = "2024\x94\x4e" "1\x8c\x8e" " 5\x93\xfa" "  7\x8e\x9e" " 8\x95\xaa" " 9\x95\x62";
    std::memcpy(g_clock_text, clock.c_str(), clock.size() + 1);
    g_sentence = "A sentence long enough to wrap";
    g_window_double.client = RECT{0, 0, 384, 161};

    EXPECT_EQ(send(WM_PAINT), 0);

    EXPECT_EQ(calls(), (Names{"GetClientRect", "BeginPaint", "SetTextColor", "TextOutA", "SetTextColor",
                              "DrawTextA", "EndPaint"}));
    std::vector<Double_Call> colours = calls_named("SetTextColor");
    EXPECT_EQ(colours[0].args, (std::vector<long long>{DC, 0x000000}));
    EXPECT_EQ(colours[1].args, (std::vector<long long>{DC, 0xFF0000})) << "blue: red 0, green 0, blue 255";

    const Double_Call text_out = calls_named("TextOutA")[0];
    EXPECT_EQ(text_out.args, (std::vector<long long>{DC, 10, 10, 26}));
    EXPECT_EQ(text_out.text, clock);

    const Double_Call draw = calls_named("DrawTextA")[0];
    EXPECT_EQ(draw.args, (std::vector<long long>{DC, -1, 20, 40, 384, 161, DT_WORDBREAK}));
    EXPECT_EQ(draw.text, "A sentence long enough to wrap");
    EXPECT_EQ(calls_named("EndPaint")[0].args, (std::vector<long long>{handle(double_window()), DC}));
}

TEST_F(Paint, TheSentenceRectangleFollowsTheClientArea)
{
    g_window_double.client = RECT{0, 0, 250, 90};
    paint_display(double_window(), "x");
    EXPECT_EQ(calls_named("DrawTextA")[0].args, (std::vector<long long>{DC, -1, 20, 40, 250, 90, DT_WORDBREAK}));
}

TEST_F(Paint, TheClockLineEndsAtItsZero)
{
    std::memcpy(g_clock_text, "abc\0def", 8);
    send(WM_PAINT);
    const Double_Call text_out = calls_named("TextOutA")[0];
    EXPECT_EQ(text_out.args[3], 3);
    EXPECT_EQ(text_out.text, "abc");
}

TEST_F(Paint, DrawsACopyUpToItsFirstZeroAndLeavesTheSentenceAlone)
{
    const std::string sentence("first\0second", 12);
    g_sentence = sentence;
    send(WM_PAINT);
    EXPECT_EQ(calls_named("DrawTextA")[0].text, "first");
    EXPECT_EQ(g_sentence, sentence);
}

TEST_F(Paint, BeforeTheFirstTickBothLinesAreEmpty)
{
    send(WM_PAINT);
    EXPECT_EQ(calls_named("TextOutA")[0].args[3], 0);
    EXPECT_EQ(calls_named("DrawTextA")[0].text, "");
}

} // namespace
