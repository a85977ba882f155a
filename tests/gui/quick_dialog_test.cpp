// The offline mode: the page viewer on a flash image; the quick-view dialog loading an image's
// session list, choosing sessions, accepting pages in the page viewer, decoding, and a data file
// named on the command line.
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>

#include "gui_helpers.h"
#include "logger/download.h"
#include "logger/flash_image.h"
#include "logger/page_dialog.h"
#include "logger/session.h"
#include "shell/quick_dialog.h"
#include "support/fixture.h"
#include "support/flash_image_builder.h"
#include "support/state_guard.h"
#include "tables/set_file_dialog.h"

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

TEST_F(PageViewerTest, ChosenPagesSetTheLastPageOfTheSession) {
    Flag.page_type = 2;
    PagLast = 0x000A;
    DialogPage v;
    runScripted(v, [&] {
        auto* field = static_cast<QLineEdit*>(v.control(604));
        // Field, first line of the page, last-page flag and PagLast after each step.
        auto expect = [&](const char* shown, const QString& line, int flag, uint16_t pagLast) {
            EXPECT_EQ(field->text(), shown);
            EXPECT_EQ(textOf(v.control(601)).section('\n', 0, 0), line);
            EXPECT_EQ(Flag.pagelast_error, flag);
            EXPECT_EQ(PagLast, pagLast);
        };
        auto step = [&](bool up) { v.upDown()->findChild<QToolButton*>(up ? "up" : "down")->click(); };
        auto enter = [&](const char* typed) {
            field->setText(typed);
            sendKey(field, Qt::Key_Return);
        };
        const QString zero = "     27799 [  4]   -222     63 -25564   2325    131     -1 ";
        expect("0x000A", "     58677 [  4]   1916     63 -25355   2327  28436 -24011 ", 0, 0x000A);
        step(true);
        expect("0x000B", "Pagina non formattata !", 1, 0x000A);
        enter("1000"); // out of range: page 0
        expect("0x0000", zero, 0, 0x0000);
        step(false); // -1: page 0 again
        expect("0x0000", zero, 0, 0x0000);
        enter("0xff6");
        expect("0x0FF6", "Tabella di assegnazione !", 1, 0x0000);
        enter("  fff "); // typed in lower case, blanks around
        EXPECT_EQ(PagLast, 0x0FFF);
        step(true); // 0x1000: page 0
        expect("0x0000", zero, 0, 0x0000);
        enter("zz");
        expect("0x0000", zero, 0, 0x0000);
        v.close();
    });
    EXPECT_EQ(Flag.pagefirst_error, 1); // the first page untouched
}

// Three sessions: the oldest with three data pages, one whose page after the table is erased (its
// pages are not found), and the most recent with two data pages.
class QuickDialogTest : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        resetFlashImageState();
        const std::vector<TestNode> nodes = {{5, {7, 0, 16}}, {200, {1}}};
        TestImage img;
        img.table(0x100, "150101_000000", nodes);
        img.table(0x200, "150201_000000", nodes);
        img.table(0x300, "150301_000000", nodes);
        for (unsigned k = 0; k < 3; ++k)
            img.records(0x101 + k, {{5, 100 * k, {1, 0, 2}}, {200, 100 * k + 50, {2000}}});
        for (unsigned k = 0; k < 2; ++k)
            img.records(0x301 + k, {{5, 600 * k, {1, 0, 2}}, {200, 600 * k + 300, {2000}}});
        img.write(images_.file("RX41data.bin"));
        writeTextFile(
            list(),
            testSessionList({{0x100, "150101_000000"}, {0x200, "150201_000000"}, {0x300, "150301_000000"}}));
    }
    void TearDown() override {
        resetFlashImageState();
        KorvaneTest::TearDown();
    }
    std::string list() const { return images_.file("RX41data.txt"); }

    static QComboBox* sessions(DialogQuick& d) { return static_cast<QComboBox*>(d.control(504)); }
    static void choose(DialogQuick& d, int index) {
        sessions(d)->setCurrentIndex(index);
        emit sessions(d)->activated(index);
    }
    // Enabled state of "Page First", "Page Last", "Start".
    static std::string buttons(DialogQuick& d) {
        std::string s;
        for (int id : {511, 513, 510}) s += d.control(id)->isEnabled() ? '1' : '0';
        return s;
    }

    InTempDir work_;
    TempDir images_;
};

TEST_F(QuickDialogTest, LoadChoosesTheMostRecentSessionAndStartDecodesIt) {
    std::vector<QWidget*> tables; // owners of the data tables shown, each closed with "Esc"
    OnModal<DlgSetFile> table([&](DlgSetFile* t) {
        tables.push_back(t->parentWidget());
        click(t->control(802));
    });
    DialogQuick dlg;
    runScripted(dlg, [&] {
        EXPECT_EQ(buttons(dlg), "000");
        ui_.filePath(list());
        click(dlg.control(505));
        QStringList items;
        for (int i = 0; i < sessions(dlg)->count(); ++i) items << sessions(dlg)->itemText(i);
        EXPECT_EQ(items, QStringList({"150101_000000", "150201_000000", "150301_000000"}));
        EXPECT_EQ(sessions(dlg)->currentText(), "150301_000000");
        EXPECT_TRUE(
            textOf(dlg.control(528))
                .startsWith("Table page........ 0x0300\nFirst page........ 0x0301\nLast page......... "
                            "0x0302\nTotal data pages.. 2\n\nInizio sessione.......... 150301_000000\n"));
        EXPECT_EQ(buttons(dlg), "101"); // both pages found: "Start" at once; "Page Last" after "Page First"
        EXPECT_EQ(dlg.control(528)->palette().color(QPalette::Base), QColor(255, 255, 230));
        sendKey(&dlg, Qt::Key_Escape); // neither Escape nor Enter leaves
        sendKey(&dlg, Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
        static_cast<QLineEdit*>(dlg.control(533))->setText("60");
        click(dlg.control(510));
        click(dlg.control(512));
    });
    EXPECT_EQ(DataTimeSS, "150301_000000");
    EXPECT_EQ(ImageFolder, images_.path());
    EXPECT_EQ(Tsample, 60);
    EXPECT_TRUE(ui_.shown.empty());
    EXPECT_EQ(tables, (std::vector<QWidget*>{&dlg})); // the data table, over this dialog
    EXPECT_EQ(InfoSES.nSubItem, 3u);
    EXPECT_EQ(InfoSES.nItem, 2u); // markers 0 .. 900 at 60 s: rows at 0 and 600
    EXPECT_FALSE(std::filesystem::exists("150301_000000"));
    EXPECT_FALSE(std::filesystem::exists("RX41data.hex"));
}

TEST_F(QuickDialogTest, StartWaitsUntilBothPagesAreAccepted) {
    // "Page First": the erased page after the table and the table page are refused, a data page
    // accepted; "Page Last": the page before the first one.
    OnModal<DialogPage> viewer([&](DialogPage* v) {
        auto* field = static_cast<QLineEdit*>(v->control(604));
        auto typePage = [&](const char* page) {
            field->setText(page);
            sendKey(field, Qt::Key_Return);
        };
        if (Flag.page_type == 1) {
            EXPECT_EQ(textOf(v->control(601)), "Pagina non formattata !");
            typePage("200");
            EXPECT_EQ(textOf(v->control(601)), "Tabella di assegnazione !");
            typePage("102");
        } else {
            typePage("101");
        }
        click(v->control(602));
    });
    DialogQuick dlg;
    runScripted(dlg, [&] {
        ui_.filePath(list());
        click(dlg.control(505));
        choose(dlg, 1); // the session whose pages are not found
        EXPECT_EQ(buttons(dlg), "100");
        click(dlg.control(511));
        EXPECT_EQ(buttons(dlg), "110");
        EXPECT_TRUE(textOf(dlg.control(528))
                        .contains("First page........ 0x0102\nLast page......... Non definito\n"
                                  "Total data pages.. Non definito\n"));
        click(dlg.control(513));
        EXPECT_EQ(buttons(dlg), "111");
        // First page right after the last one: the whole ring.
        EXPECT_TRUE(
            textOf(dlg.control(528))
                .contains("First page........ 0x0102\nLast page......... 0x0101\nTotal data pages.. 4095\n"));
        choose(dlg, 2); // a new choice starts again: found pages enable "Start" at once
        EXPECT_EQ(buttons(dlg), "101");
        choose(dlg, 1);
        EXPECT_EQ(buttons(dlg), "100");
        dlg.close();
    });
    EXPECT_EQ(viewer.count, 2);
}

TEST_F(QuickDialogTest, FailuresLeaveStartDisabledOrSayWhy) {
    DialogQuick dlg;
    runScripted(dlg, [&] {
        ui_.fileCancel(); // "Load" cancelled: no list
        click(dlg.control(505));
        EXPECT_EQ(buttons(dlg), "000");
        ui_.filePath(list());
        click(dlg.control(505));
        auto* field = static_cast<QLineEdit*>(dlg.control(533));
        field->setText("0"); // no sample time: no "Start"
        EXPECT_EQ(buttons(dlg), "100");
        EXPECT_EQ(field->palette().color(QPalette::Base), QColor(255, 0, 0));
        field->setText("65535");
        EXPECT_EQ(buttons(dlg), "101");
        std::filesystem::remove(images_.file("RX41data.bin")); // the image gone before "Start"
        click(dlg.control(510));
        dlg.close();
    });
    ASSERT_EQ(ui_.shown.size(), 2u);
    EXPECT_EQ(ui_.shown[0].text, "RX41data.bin non puo' essere letto !");
    EXPECT_EQ(ui_.shown[1].text, "Il file di uscita non e' stato generato !");
}

TEST_F(QuickDialogTest, FileOnTheCommandLineIsLoadedAtOnce) {
    const std::string golden = readFileBytes(fixturePath("logger-basic/expected/151231_224730.T900"));
    writeTextFile(images_.file("export.txt"), "Start: 151231_224730\r\n" + golden);
    Data_file = images_.file("export.txt");
    DialogQuick dlg;
    // The table opens over the dialog while it starts; the dialog takes input only afterwards.
    int tables = 0;
    OnModal<DlgSetFile> table([&](DlgSetFile* t) {
        ++tables;
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_TRUE(std::filesystem::exists("151231_224730")); // the working file
        click(t->control(802));
    });
    std::string enabled;
    OnModal<DialogQuick> quick([&](DialogQuick* q) {
        if (tables == 0) return; // the table is still on its way
        enabled.clear();
        for (int id : {505, 504, 533, 514, 512}) enabled += q->control(id)->isEnabled() ? '1' : '0';
        click(q->control(512));
    });
    EXPECT_EQ(dlg.run(), 1);
    EXPECT_EQ(tables, 1);        // straight into the data table
    EXPECT_EQ(enabled, "00011"); // only "Load file .txt" and "Exit"
    EXPECT_TRUE(ui_.shown.empty());
    EXPECT_TRUE(Data_file.empty());
    EXPECT_FALSE(std::filesystem::exists("151231_224730")); // removed after the table

    Data_file = list(); // not a data text file
    DialogQuick again;  // left by the same script
    EXPECT_EQ(again.run(), 1);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "File non valido !");
    EXPECT_EQ(tables, 1);
}

} // namespace
