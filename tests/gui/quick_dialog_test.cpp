// The quick-view dialog of the offline mode: loading an image's session list, choosing sessions,
// accepting pages in the page viewer, decoding, and a data file named on the command line.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "gui_helpers.h"
#include "logger/download.h"
#include "logger/flash_image.h"
#include "logger/page_dialog.h"
#include "logger/session.h"
#include "logger/time_marks.h"
#include "shell/quick_dialog.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/flash_image_builder.h"
#include "support/state_guard.h"
#include "tables/set_file_dialog.h"

namespace {

const std::vector<TestNode> kNodes = {{5, {7, 0, 16}}, {200, {1}}};

// Three sessions: the oldest with three data pages, one whose page after the table is erased (its
// pages are not found), and the most recent with two data pages.
class QuickDialogTest : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        resetFlashImageState();
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(work_.path());
        TestImage img;
        img.table(0x100, "150101_000000", kNodes);
        img.table(0x200, "150201_000000", kNodes);
        img.table(0x300, "150301_000000", kNodes);
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
        std::filesystem::current_path(old_);
        resetFlashImageState();
        KorvaneTest::TearDown();
    }
    std::string list() const { return images_.file("RX41data.txt"); }

    static QPushButton* button(DialogQuick& d, int id) { return static_cast<QPushButton*>(d.control(id)); }
    static QString summary(DialogQuick& d) {
        return static_cast<QPlainTextEdit*>(d.control(528))->toPlainText();
    }
    static QComboBox* sessions(DialogQuick& d) { return static_cast<QComboBox*>(d.control(504)); }
    static void choose(DialogQuick& d, int index) {
        sessions(d)->setCurrentIndex(index);
        emit sessions(d)->activated(index);
    }
    // Enabled state of "Page First", "Page Last", "Start".
    static std::string buttons(DialogQuick& d) {
        std::string s;
        for (int id : {511, 513, 510}) s += button(d, id)->isEnabled() ? '1' : '0';
        return s;
    }
    static QColor base(QWidget* w) { return w->palette().color(QPalette::Base); }

    TempDir work_, images_;
    std::filesystem::path old_;
};

// Types `page` into the viewer's page field and presses Enter.
void typePage(DialogPage* v, const char* page) {
    auto* field = static_cast<QLineEdit*>(v->control(604));
    field->setText(page);
    sendKey(field, Qt::Key_Return);
}

TEST_F(QuickDialogTest, OpensWithNothingChosen) {
    Tsample = 900;
    DialogQuick dlg;
    std::string state, status, field;
    QStringList texts;
    int result = runScripted(dlg, [&] {
        state = buttons(dlg);
        status = static_cast<QLabel*>(dlg.findChild<QLabel*>("id509_1"))->text().toStdString();
        field = static_cast<QLineEdit*>(dlg.control(533))->text().toStdString();
        for (int id : {506, 505, 507, 501, 232, 234, 510, 508, 511, 513, 514, 512}) {
            QWidget* w = dlg.control(id);
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                texts << b->text();
            else if (auto* g = qobject_cast<QGroupBox*>(w))
                texts << g->title();
            else if (auto* l = qobject_cast<QLabel*>(w))
                texts << l->text();
        }
        sendKey(&dlg, Qt::Key_Escape); // neither Escape nor Enter leaves
        sendKey(&dlg, Qt::Key_Return);
        if (dlg.isVisible()) button(dlg, 512)->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dlg.windowTitle(), QString("Lumivane v.5.0"));
    EXPECT_EQ(state, "000");
    EXPECT_EQ(status, " Ready");
    EXPECT_EQ(field, "900");
    EXPECT_EQ(texts,
              QStringList({"Lettura file immagine", "Load", "Data inizio sessione", "Elaborazione dati",
                           "Sample Time", "s", "Start", "Sessione di misura corrente", "Page First",
                           "Page Last", "Load file .txt", "Exit"}));
    EXPECT_EQ(Flag.verbose, 1);
    EXPECT_EQ(Flag.pages_error + Flag.table_error + Flag.time_error + Flag.pagefirst_error +
                  Flag.pagelast_error,
              5);
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(QuickDialogTest, LoadChoosesTheMostRecentSession) {
    DialogQuick dlg;
    QStringList items;
    QString current, text;
    std::string state;
    QColor background;
    runScripted(dlg, [&] {
        ui_.filePath(list());
        button(dlg, 505)->click();
        for (int i = 0; i < sessions(dlg)->count(); ++i) items << sessions(dlg)->itemText(i);
        current = sessions(dlg)->currentText();
        text = summary(dlg);
        state = buttons(dlg);
        background = base(dlg.control(528));
        dlg.close();
    });
    EXPECT_EQ(items, QStringList({"150101_000000", "150201_000000", "150301_000000"}));
    EXPECT_EQ(current, "150301_000000");
    EXPECT_EQ(DataTimeSS, "150301_000000");
    EXPECT_TRUE(
        text.startsWith("Table page........ 0x0300\nFirst page........ 0x0301\nLast page......... 0x0302\n"
                        "Total data pages.. 2\n\nInizio sessione.......... 150301_000000\n"))
        << text.toStdString();
    EXPECT_EQ(state, "101"); // both pages found: "Start" at once; "Page Last" only after "Page First"
    EXPECT_EQ(background, QColor(255, 255, 230));
    EXPECT_EQ(ImageFolder, images_.path());
}

TEST_F(QuickDialogTest, StartWaitsUntilBothPagesAreAccepted) {
    DialogQuick dlg;
    std::vector<std::string> states;
    std::vector<QString> viewerTexts;
    QString afterFirst, afterBoth;
    // The viewer, each time it opens: the script for that visit.
    std::vector<std::function<void(DialogPage*)>> visits = {
        [&](DialogPage* v) { // "Page First": the table page is refused, a data page accepted
            viewerTexts.push_back(static_cast<QPlainTextEdit*>(v->control(601))->toPlainText());
            typePage(v, "200");
            viewerTexts.push_back(static_cast<QPlainTextEdit*>(v->control(601))->toPlainText());
            typePage(v, "102");
        },
        [&](DialogPage* v) { typePage(v, "101"); }, // "Page Last": the page before the first one
    };
    size_t visit = 0;
    OnModal<DialogPage> viewer([&](DialogPage* v) {
        if (visit < visits.size()) visits[visit++](v);
        static_cast<QPushButton*>(v->control(602))->click();
    });
    runScripted(dlg, [&] {
        ui_.filePath(list());
        button(dlg, 505)->click();
        choose(dlg, 1); // the session whose pages are not found
        states.push_back(buttons(dlg));
        button(dlg, 511)->click();
        states.push_back(buttons(dlg));
        afterFirst = summary(dlg);
        button(dlg, 513)->click();
        states.push_back(buttons(dlg));
        afterBoth = summary(dlg);
        choose(dlg, 2); // a new choice starts again: found pages enable "Start" at once
        states.push_back(buttons(dlg));
        choose(dlg, 1);
        states.push_back(buttons(dlg));
        dlg.close();
    });
    EXPECT_EQ(states, (std::vector<std::string>{"100", "110", "111", "101", "100"}));
    ASSERT_EQ(viewerTexts.size(), 2u);
    EXPECT_EQ(viewerTexts[0], "Pagina non formattata !"); // the erased page after the table
    EXPECT_EQ(viewerTexts[1], "Tabella di assegnazione !");
    EXPECT_TRUE(afterFirst.contains("First page........ 0x0102\nLast page......... Non definito\n"
                                    "Total data pages.. Non definito\n"))
        << afterFirst.toStdString();
    // First page right after the last one: the whole ring.
    EXPECT_TRUE(
        afterBoth.contains("First page........ 0x0102\nLast page......... 0x0101\nTotal data pages.. 4095\n"))
        << afterBoth.toStdString();
    EXPECT_EQ(viewer.count, 2);
}

TEST_F(QuickDialogTest, StartDecodesIntoTheWorkingFileAndRemovesItAfterTheTable) {
    std::vector<QWidget*> tables; // owners of the data tables shown, each closed with "Esc"
    OnModal<DlgSetFile> table([&](DlgSetFile* t) {
        tables.push_back(t->parentWidget());
        static_cast<QPushButton*>(t->control(802))->click();
    });
    DialogQuick dlg;
    std::string status;
    runScripted(dlg, [&] {
        ui_.filePath(list());
        button(dlg, 505)->click();
        static_cast<QLineEdit*>(dlg.control(533))->setText("60");
        button(dlg, 510)->click();
        status = dlg.findChild<QLabel*>("id509_1")->text().toStdString();
        dlg.close();
    });
    EXPECT_EQ(Tsample, 60);
    EXPECT_EQ(status, " Ready");
    EXPECT_TRUE(ui_.shown.empty());
    ASSERT_EQ(tables.size(), 1u); // the data table, over this dialog
    EXPECT_EQ(tables[0], &dlg);
    EXPECT_EQ(InfoSES.nSubItem, 3u);
    EXPECT_EQ(InfoSES.nItem, 2u); // markers 0 .. 900 at 60 s: rows at 0 and 600
    EXPECT_FALSE(std::filesystem::exists(work_.file("150301_000000")));
    EXPECT_FALSE(std::filesystem::exists(work_.file("RX41data.hex")));
}

TEST_F(QuickDialogTest, FailuresLeaveStartDisabledOrSayWhy) {
    DialogQuick dlg;
    std::vector<std::string> states;
    QColor failedBackground, redField;
    runScripted(dlg, [&] {
        ui_.fileCancel(); // "Load" cancelled: no list
        button(dlg, 505)->click();
        states.push_back(buttons(dlg));
        failedBackground = base(dlg.control(528));
        ui_.filePath(list());
        button(dlg, 505)->click();
        auto* field = static_cast<QLineEdit*>(dlg.control(533));
        field->setText("0"); // no sample time: no "Start"
        states.push_back(buttons(dlg));
        redField = base(field);
        field->setText("65535");
        states.push_back(buttons(dlg));
        std::filesystem::remove(images_.file("RX41data.bin")); // the image gone before "Start"
        button(dlg, 510)->click();
        dlg.close();
    });
    EXPECT_EQ(states, (std::vector<std::string>{"000", "100", "101"}));
    EXPECT_NE(failedBackground, QColor(255, 255, 230)); // table not read: the default background
    EXPECT_EQ(redField, QColor(255, 0, 0));
    ASSERT_EQ(ui_.shown.size(), 2u);
    EXPECT_EQ(ui_.shown[0].text, "RX41data.bin non puo' essere letto !");
    EXPECT_EQ(ui_.shown[1].text, "Il file di uscita non e' stato generato !");
    EXPECT_EQ(ui_.shown[1].title, "Warning");
    EXPECT_EQ(ui_.shown[1].icon, MsgIcon::Warning);
}

TEST_F(QuickDialogTest, FileOnTheCommandLineIsLoadedAtOnce) {
    const std::string golden = readFileBytes(fixturePath("logger-basic/expected/151231_224730.T900"));
    writeTextFile(images_.file("export.txt"), "Start: 151231_224730\r\n" + golden);
    struct Case {
        std::string file;
        std::string message;
    } cases[] = {
        {images_.file("export.txt"), ""}, // no message: the data table opens
        {list(), "File non valido !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ui_.shown.clear();
        Data_file = c.file;
        DialogQuick dlg;
        // The table opens over the dialog while it starts; the dialog takes input only afterwards.
        int tables = 0;
        bool dialogUnderTable = false, workingFileThere = false;
        OnModal<DlgSetFile> table([&](DlgSetFile* t) {
            ++tables;
            dialogUnderTable = dlg.isVisible();
            workingFileThere = std::filesystem::exists(work_.file("151231_224730"));
            static_cast<QPushButton*>(t->control(802))->click();
        });
        const bool loaded = c.message.empty();
        std::vector<bool> enabled;
        size_t boxesAtStart = 99;
        OnModal<DialogQuick> quick([&](DialogQuick* q) {
            if (loaded && tables == 0) return; // the table is still on its way
            boxesAtStart = ui_.shown.size();
            enabled.clear();
            for (int id : {506, 505, 504, 507, 232, 234, 533, 501, 508, 514, 512})
                enabled.push_back(q->control(id)->isEnabled());
            static_cast<QPushButton*>(q->control(512))->click();
        });
        EXPECT_EQ(dlg.run(), 1);
        EXPECT_EQ(tables, loaded ? 1 : 0); // straight into the data table
        EXPECT_EQ(boxesAtStart, loaded ? 0u : 1u);
        EXPECT_EQ(dialogUnderTable, loaded);
        EXPECT_EQ(workingFileThere, loaded);
        EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, false, false, false, false, false, false,
                                              true, true}));
        ASSERT_EQ(ui_.shown.size(), loaded ? 0u : 1u);
        if (!loaded) {
            EXPECT_EQ(ui_.shown[0].text, c.message);
            EXPECT_EQ(ui_.shown[0].title, "Error");
            EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Error);
        }
        EXPECT_TRUE(Data_file.empty());
        EXPECT_FALSE(std::filesystem::exists(work_.file("151231_224730"))); // removed after the table
    }
}

TEST_F(QuickDialogTest, AltSSaysTheChecklistIsNotAvailable) {
    DialogQuick dlg;
    runScripted(dlg, [&] {
        sendKey(dlg.control(505), Qt::Key_S, Qt::AltModifier, "s");
        dlg.close();
    });
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].title, "Info");
    EXPECT_NE(ui_.shown[0].text.find("non ancora disponibile"), std::string::npos);
}

} // namespace
