// The page viewer: choosing the first or last data page of a session in a flash image.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>

#include "gui_helpers.h"
#include "logger/flash_image.h"
#include "logger/page_dialog.h"
#include "logger/session.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/state_guard.h"

namespace {

// The fixture's image with its current session chosen: table 0x0FF6, data 0x0FF7 .. 0x000A.
class PageViewerTest : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        std::filesystem::copy_file(fixturePath("logger-basic/flash.bin"), dir_.file("RX41data.bin"));
        ImageFolder = dir_.path();
        PageTab = "0FF6";
        PagTab = 0x0FF6;
        ASSERT_EQ(initTabAssBin(), 1);
        Flag.pagefirst_error = Flag.pagelast_error = 1;
    }
    void TearDown() override {
        resetFlashImageState();
        KorvaneTest::TearDown();
    }
    TempDir dir_;
};

QString text(DialogPage& v) {
    return static_cast<QPlainTextEdit*>(v.control(601))->toPlainText();
}
QString field(DialogPage& v) {
    return static_cast<QLineEdit*>(v.control(604))->text();
}
void enter(DialogPage& v, const QString& typed) {
    auto* f = static_cast<QLineEdit*>(v.control(604));
    f->setText(typed);
    sendKey(f, Qt::Key_Return);
}
void step(DialogPage& v, bool up) {
    v.upDown()->findChild<QToolButton*>(up ? "up" : "down")->click();
}

TEST_F(PageViewerTest, OpensOnTheSessionsPageAndShowsItWhiteOnBlack) {
    Flag.page_type = 1;
    DialogPage v;
    QString first, shownField;
    QPalette palette;
    QFont font;
    runScripted(v, [&] {
        first = text(v);
        shownField = field(v);
        palette = v.control(601)->palette();
        font = v.control(604)->font();
        static_cast<QPushButton*>(v.control(602))->click();
    });
    EXPECT_EQ(v.windowTitle(), "Monitor");
    EXPECT_TRUE(first.startsWith("        55 [  4]   -191     63 -25564   2285     61 -24254 \n"))
        << first.toStdString();
    EXPECT_EQ(shownField, "0x0FF7");
    EXPECT_EQ(Flag.pagefirst_error, 0);
    EXPECT_EQ(Flag.pagelast_error, 1); // only the page of its kind
    EXPECT_EQ(palette.color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(palette.color(QPalette::Text), QColor(Qt::white));
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.pixelSize(), 30);
    EXPECT_EQ(v.upDown()->base(), 16);
    EXPECT_EQ(v.upDown()->maximum(), 0xFFF);
}

TEST_F(PageViewerTest, ChosenPagesSetTheSessionPagesAndFlags) {
    Flag.page_type = 2;
    PagLast = 0x000A;
    DialogPage v;
    struct Seen {
        QString field, firstLine;
        int flag;
        uint16_t last;
    };
    std::vector<Seen> seen;
    auto note = [&] {
        seen.push_back({field(v), text(v).section('\n', 0, 0), Flag.pagelast_error, PagLast});
    };
    runScripted(v, [&] {
        step(v, true); // 0x000B: erased
        note();
        step(v, false); // back to 0x000A
        note();
        enter(v, "1000"); // out of range: page 0
        note();
        step(v, false); // -1: page 0 again
        note();
        enter(v, "0xff6"); // the table page
        note();
        enter(v, "  fff "); // typed in lower case, blanks around
        note();
        step(v, true); // 0x1000: page 0
        note();
        enter(v, "zz");
        note();
        v.close();
    });
    const std::vector<Seen> expected = {
        {"0x000B", "Pagina non formattata !", 1, 0x000A},   {"0x000A", seen[1].firstLine, 0, 0x000A},
        {"0x0000", seen[2].firstLine, 0, 0x0000},           {"0x0000", seen[2].firstLine, 0, 0x0000},
        {"0x0FF6", "Tabella di assegnazione !", 1, 0x0000}, {"0x0FFF", seen[5].firstLine, 0, 0x0FFF},
        {"0x0000", seen[2].firstLine, 0, 0x0000},           {"0x0000", seen[2].firstLine, 0, 0x0000},
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].field, expected[i].field);
        EXPECT_EQ(seen[i].firstLine, expected[i].firstLine);
        EXPECT_EQ(seen[i].flag, expected[i].flag);
        EXPECT_EQ(seen[i].last, expected[i].last);
    }
    EXPECT_EQ(seen[1].firstLine, "     58677 [  4]   1916     63 -25355   2327  28436 -24011 ");
    EXPECT_EQ(seen[2].firstLine, "     27799 [  4]   -222     63 -25564   2325    131     -1 ");
    EXPECT_EQ(Flag.pagefirst_error, 1); // the first page untouched
}

TEST_F(PageViewerTest, RemembersWhereItWas) {
    Flag.page_type = 1;
    {
        DialogPage v;
        runScripted(v, [&] {
            v.move(40, 50);
            v.close();
        });
    }
    EXPECT_EQ(PosWin2.enabled, 1);
    EXPECT_EQ(PosWin2.left, 40);
    EXPECT_EQ(PosWin2.top, 50);
    DialogPage again;
    QPoint at;
    runScripted(again, [&] {
        at = again.frameGeometry().topLeft();
        again.close();
    });
    EXPECT_EQ(at, QPoint(40, 50));
}

} // namespace
