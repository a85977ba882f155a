// Rules of the small input boxes.
#include <gtest/gtest.h>

#include "boards/input_boxes.h"
#include "support/state_guard.h"

namespace {

class InputBoxes : public KorvaneTest {};

TEST_F(InputBoxes, NumericBoxCutsChecksAndEnables) {
    struct Case {
        int maxEdit;
        const char* typed;
        const char* text;
        bool ok;
    } cases[] = {
        {8, "12.5", "12.5", true},  {8, "-3", "-3", true},     {8, "12a", "", false}, {8, "", "", false},
        {3, "1234", "123", true},   {4, "1 2", "", false},     {0, "5", "", false},   {8, "1e5", "", false},
    };
    for (const auto& c : cases) {
        MaxEdit = c.maxEdit;
        InputState st = inputNumChanged(c.typed);
        EXPECT_EQ(st.text, c.text) << c.typed;
        EXPECT_EQ(st.okEnabled, c.ok) << c.typed;
    }
}

TEST_F(InputBoxes, RangeBoxEnablesOkOnlyInsideTheRange) {
    InputMin = 10;
    InputMax = 1000;
    MaxEdit = 4;
    EXPECT_FALSE(inputNum2Changed("5").okEnabled);
    EXPECT_TRUE(inputNum2Changed("10").okEnabled);
    EXPECT_TRUE(inputNum2Changed("1000").okEnabled);
    EXPECT_FALSE(inputNum2Changed("1001").okEnabled);
    MaxEdit = 3;
    InputState st = inputNum2Changed("1000");
    EXPECT_EQ(st.text, "100"); // the fourth digit is cut off
    EXPECT_TRUE(st.okEnabled);
    EXPECT_FALSE(inputNum2Changed("x").okEnabled);
}

TEST_F(InputBoxes, RangeLabels) {
    InputMin = 0;
    InputMax = 4095;
    const char* expected[] = {"Range: 0 ... 4095", "Range: 0.0 ... 4095.0", "Range: 0.00 ... 4095.00",
                              "Range: 0.000 ... 4095.000", "Range: 0 ... 4095"};
    for (int d = 0; d <= 4; ++d) {
        Ndec = d;
        EXPECT_EQ(inputRangeLabel(), expected[d]);
    }
    MaxEdit = 12;
    EXPECT_EQ(inputTxtLabel(), "(12 caratteri max)");
}

TEST_F(InputBoxes, NumericBoxWritesBackWithTheDecimalsTyped) {
    MaxEdit = 8;
    EXPECT_EQ(inputNumConfirmed("3.50"), "3.50");
    EXPECT_EQ(inputNumConfirmed("3.5"), "3.5");
    EXPECT_EQ(inputNumConfirmed("7"), "7");
    EXPECT_EQ(inputNumConfirmed("2.5"), "2.5");
    EXPECT_EQ(inputNumConfirmed("-0.125"), "-0.125");
    EXPECT_EQ(inputNumConfirmed("1.23456"), "Err"); // more decimals than a cell shows
    EXPECT_EQ(inputNumConfirmed("1234567.5"), "1234567"); // cut to MaxEdit: "1234567."
}

TEST_F(InputBoxes, TextBoxAcceptsAnyCharacterUpToTheLimit) {
    MaxEdit = 5;
    InputState st = inputTxtChanged("ab\xE0\xB0xyz");
    EXPECT_EQ(st.text, "ab\xE0\xB0x");
    EXPECT_TRUE(st.okEnabled);
}

TEST_F(InputBoxes, BoxesRunThroughTheInstalledBackend) {
    MaxEdit = 4;
    InputMin = 0;
    InputMax = 20;
    TitoloBuf = "Numero di pagine richieste";
    EditBuf = "20";
    ui_.inputText("12");
    EXPECT_EQ(DlgInputNum2_(nullptr), 1);
    EXPECT_EQ(EditBuf, "12");
    ASSERT_EQ(ui_.inputsShown.size(), 1u);
    EXPECT_EQ(ui_.inputsShown[0].title, "Numero di pagine richieste");
    EXPECT_EQ(ui_.inputsShown[0].initial, "20");
    ui_.inputCancel();
    EXPECT_EQ(DlgInputNum(nullptr), 0);
    EditBuf = std::string(5000, 'x'); // longer than the buffer: cut, never overrun
    ui_.inputText("ab");
    EXPECT_EQ(DlgInputTxt(nullptr), 1);
    EXPECT_EQ(ui_.inputsShown.back().initial.size(), kEditBufMax);
}

} // namespace
