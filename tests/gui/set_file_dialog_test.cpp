// The data table screen (dialog 800) on a working file: column and row clicks with the buttons
// they enable, the edit commands, saving with the post-processing launcher (dialog 1100), and
// "Grafico" on the engine's real window.
#include <QItemSelectionModel>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <set>

#include "gui_helpers.h"
#include "plot/plot_test_support.h"
#include "plot/plot_window.h"
#include "tables/column_graph.h"
#include "tables/plugin_dialog.h"
#include "tables/set_file_dialog.h"
#include "tables/table_test_support.h"
#include "tables/table_view_dialog.h"

namespace {

using Strings = std::vector<std::string>;

void clickCell(DlgSetFile& d, int row, int col, Qt::MouseButton b = Qt::LeftButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
    mouseClick(d.list()->viewport(), d.list()->visualRect(d.list()->model()->index(row, col)).center(), b,
               mods);
}

// Enabled state of "<<< Sposta colonna", "Fondi colonne", "Elimina colonne", "Elimina item", "Grafico".
std::string buttons(DlgSetFile& d) {
    std::string s;
    for (int id : {803, 804, 812, 811, 813}) s += d.control(id)->isEnabled() ? '1' : '0';
    return s;
}

std::vector<int> selectedColumns() {
    std::vector<int> v;
    for (int c = kFirstDataColumn; c <= kLastSelectableColumn; ++c)
        if (SelCol[static_cast<size_t>(c)] == 1) v.push_back(c);
    EXPECT_EQ(SelCol[0], static_cast<int>(v.size()));
    return v;
}

// The rows the view shows selected; the table's own marks must be the same.
std::set<int> selectedRows(DlgSetFile& d) {
    std::set<int> view, table;
    for (const QModelIndex& i : d.list()->selectionModel()->selectedRows()) view.insert(i.row());
    for (int r = 0; r < d.table().rowCount(); ++r)
        if (d.table().isRowSelected(r)) table.insert(r);
    EXPECT_EQ(view, table);
    return view;
}

// What the screen painted near the top left corner of a cell.
QColor painted(DlgSetFile& d, int row, int col) {
    const QImage img = d.list()->viewport()->grab().toImage();
    return img.pixelColor(d.list()->visualRect(d.list()->model()->index(row, col)).topLeft() + QPoint(3, 3));
}

class SetFileTest : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        initTables();
        DataTimeSS = "140523_101500";
        Tsample = 900;
        FirstTimeMarkerDload = 0;
        TotalNodeNum = 0;
        Exe_dir = exe_.path();
    }
    void TearDown() override {
        initTables();
        spessore = 1;
        KorvaneTest::TearDown();
    }
    // The working file with these columns and rows.
    void work(const Strings& titles, const std::vector<Strings>& rows) {
        writeBytes(DataTimeSS, sessionFile(Tsample, titles, rows));
        InfoSES.nItem = static_cast<uint32_t>(rows.size());
        InfoSES.nSubItem = static_cast<uint32_t>(titles.size());
    }
    InTempDir dir_;
    TempDir exe_;
};

TEST_F(SetFileTest, DataColumnClicksSelectAndDeselectAndEnableTheButtons) {
    work({"A", "B", "C"}, {{"1", "2", "3"}, {"4", "5", "6"}});
    struct Step {
        int col;
        bool right;
        std::vector<int> selected;
        std::string buttons;
    } steps[] = {
        {3, false, {3}, "10101"},    // one column, not column 2: it can move
        {2, false, {2, 3}, "01101"}, // two: they can merge
        {3, false, {2, 3}, "01101"}, // a left click never deselects
        {3, true, {2}, "00101"},     // column 2 alone cannot move
        {4, true, {2}, "00101"},     // a right click never selects
        {2, true, {}, "00000"},
    };
    DlgSetFile dlg;
    runScripted(dlg, [&] {
        for (const Step& s : steps) {
            SCOPED_TRACE(testing::Message() << "column " << s.col << (s.right ? " right" : " left"));
            clickCell(dlg, 1, s.col, s.right ? Qt::RightButton : Qt::LeftButton);
            EXPECT_EQ(selectedColumns(), s.selected);
            EXPECT_EQ(buttons(dlg), s.buttons);
            for (int c = 0; c < 5; ++c) {
                const bool sel = std::find(s.selected.begin(), s.selected.end(), c) != s.selected.end();
                EXPECT_EQ(painted(dlg, 1, c), c < 2 ? QColor(230, 230, 230)
                                              : sel ? QColor(255, 255, 0)
                                                    : QColor(Qt::white))
                    << c;
            }
        }
        EXPECT_TRUE(selectedRows(dlg).empty()); // data column clicks never select rows
        click(dlg.control(802));
    });
    EXPECT_TRUE(selectedColumns().empty()); // "Esc" clears the selection
}

TEST_F(SetFileTest, ItemAndTimeClicksSelectRowsAndEliminaItemKeepsTheRunBetweenThem) {
    std::vector<Strings> rows;
    for (int r = 0; r < 6; ++r) rows.push_back({std::to_string(r)});
    work({"A"}, rows);
    struct Step {
        int row, col;
        Qt::MouseButton button;
        Qt::KeyboardModifiers mods;
        std::set<int> selected;
        bool deleteItems;
    } steps[] = {
        {0, 0, Qt::LeftButton, Qt::NoModifier, {0}, true},
        {1, 1, Qt::LeftButton, Qt::ShiftModifier, {0, 1}, true},
        {3, 1, Qt::LeftButton, Qt::ControlModifier, {0, 1, 3}, false},
        {3, 0, Qt::LeftButton, Qt::ControlModifier, {0, 1, 3}, false}, // a click keeps its row
        {2, 1, Qt::RightButton, Qt::NoModifier, {2, 4, 5}, false},     // inverted
        {2, 2, Qt::LeftButton, Qt::NoModifier, {}, false},             // a data column deselects them all
        {0, 0, Qt::LeftButton, Qt::NoModifier, {0}, true},
        {5, 1, Qt::LeftButton, Qt::ControlModifier, {0, 5}, true}, // start and end: rows 1..4 kept
    };
    DlgSetFile dlg;
    runScripted(dlg, [&] {
        for (const Step& s : steps) {
            SCOPED_TRACE(testing::Message() << "row " << s.row << " column " << s.col);
            clickCell(dlg, s.row, s.col, s.button, s.mods);
            EXPECT_EQ(selectedRows(dlg), s.selected);
            EXPECT_EQ(dlg.control(811)->isEnabled(), s.deleteItems);
        }
        for (MsgAnswer a : {MsgAnswer::No, MsgAnswer::Yes}) {
            ui_.expect("Procedere alla cancellazione degli item selezionati ?", "Warning", a);
            click(dlg.control(811));
        }
        Strings kept;
        for (int r = 0; r < dlg.table().rowCount(); ++r) kept.emplace_back(dlg.table().cell(r, 2));
        EXPECT_EQ(kept, (Strings{"1", "2", "3", "4"}));
        EXPECT_FALSE(dlg.control(811)->isEnabled());
        dlg.list()->selectAll(); // rows are not selectable now: undone at once
        EXPECT_TRUE(selectedRows(dlg).empty());
        click(dlg.control(802));
    });
    EXPECT_EQ(InfoSES.nItem, 4u);
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

TEST_F(SetFileTest, MergeMoveAndDeleteAskAndChangeTheTable) {
    work({"A", "B", "C", "D"}, {{"1.4", "2", "5", "9"}, {"2.0", "4.0", "7", "8"}});
    auto answer = [&](const char* what, MsgAnswer a) {
        ui_.expect(std::string("Procedere ") + what + " delle colonne selezionate ?", "Warning", a);
    };
    DlgSetFile dlg;
    runScripted(dlg, [&] {
        const TableModel& t = dlg.table();
        clickCell(dlg, 0, 2);
        clickCell(dlg, 0, 3);
        answer("alla fusione", MsgAnswer::No);
        click(dlg.control(804));
        EXPECT_EQ(headersOf(t), (Strings{"Item", "Time", "A", "B", "C", "D"}));
        answer("alla fusione", MsgAnswer::Yes);
        click(dlg.control(804));
        EXPECT_EQ(headersOf(t), (Strings{"Item", "Time", "A", "C", "D"}));
        // The mean with the decimals of the last cell read: 1.7 as "2", 3 as "3.0".
        EXPECT_EQ(rowOf(t, 0), (Strings{"    1", "140523_101500", "2", "5", "9"}));
        EXPECT_EQ(rowOf(t, 1), (Strings{"    2", "140523_103000", "3.0", "7", "8"}));
        EXPECT_EQ(buttons(dlg), "00101"); // column 2 alone: no move, no merge
        clickCell(dlg, 0, 2, Qt::RightButton);
        clickCell(dlg, 0, 4);
        click(dlg.control(803));
        EXPECT_EQ(headersOf(t), (Strings{"Item", "Time", "A", "D", "C"}));
        EXPECT_EQ(selectedColumns(), (std::vector<int>{3})); // the selection moves with it
        clickCell(dlg, 0, 3);
        clickCell(dlg, 0, 2);
        EXPECT_EQ(selectedColumns(), (std::vector<int>{2, 3})); // a new selection after a move
        answer("all'eliminazione", MsgAnswer::Yes);
        click(dlg.control(812));
        EXPECT_EQ(headersOf(t), (Strings{"Item", "Time", "C"}));
        clickCell(dlg, 0, 2);
        EXPECT_EQ(buttons(dlg), "00001"); // the last data column: only "Grafico"
        click(dlg.control(802));
    });
    EXPECT_EQ(InfoSES.nSubItem, 1u);
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

TEST_F(SetFileTest, SaveExportsAndOffersThePostProcessingPrograms) {
    work({"T (0.00 \260C)", "P"}, {{"12.50", "7"}, {"-3.2", "_Irr_low"}});
    const std::string record = exe_.file("record.txt"), out = dir_.dir.file("uscita.txt");
    writeBytes(exe_.file("Pcomp.exe"), "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + record + "'\n");
    ::chmod(exe_.file("Pcomp.exe").c_str(), 0755);
    OnModal<DlgPlugin> launcher([&](DlgPlugin* p) {
        if (!readFileBytes(record).empty()) return click(p->control(1104)); // "Esc"
        EXPECT_EQ(textOf(p->control(1101)), "Pcomp");
        EXPECT_EQ(p->control(1102), nullptr);
        click(p->control(1101)); // runs Pcomp and waits for it
    });
    DlgSetFile dlg;
    runScripted(dlg, [&] {
        click(dlg.control(806)); // format B
        click(dlg.control(808)); // decimal comma
        ui_.filePath(out);
        click(dlg.control(807));
        Flag.page_type = 1; // the page viewer's session: no post-processing
        ui_.filePath(dir_.dir.file("again.txt"));
        click(dlg.control(807));
        click(dlg.control(802));
    });
    EXPECT_EQ(readFileBytes(out), "\"DATE:\";\"TIME:\";\"T (0.00 \260C)\";\"P\"\r\n"
                                  "\"23.05.14\";\"10:15:00\";12,50;7\r\n"
                                  "\"23.05.14\";\"10:30:00\";-3,2;100\r\n");
    ASSERT_EQ(ui_.fileBoxes.size(), 2u);
    EXPECT_EQ(ui_.fileBoxes[0].initialName, "140523_101500");
    EXPECT_GE(launcher.count, 2);
    EXPECT_EQ(readFileBytes(record), out + "\n"); // once, with the file just written
}

TEST_F(SetFileTest, GraficoReadsAValueOffTheGraphSavesItAndSelectsTheMarkedRow) {
    std::vector<Strings> rows;
    for (int i = 0; i < 100; ++i) rows.push_back({std::to_string(i), "1.5"});
    work({"CH1: T (0.00 \260C)", "P"}, rows);
    const std::string svg = dir_.dir.file("graph.svg"), wmf = dir_.dir.file("graph.wmf");
    ui_.filePath(svg);
    ui_.filePath(wmf);
    DlgSetFile dlg;
    int step = 0;
    QTimer driver; // click the middle, save twice ("f"), leave (Esc)
    QObject::connect(&driver, &QTimer::timeout, [&] {
        plot::PlotWindow* w = nullptr;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<plot::PlotWindow*>(t); p && p->isVisible()) w = p;
        if (!w) return;
        if (step == 0) {
            EXPECT_FALSE(dlg.isEnabled()); // the table waits for the graph
            mouseEvent(w, QEvent::MouseButtonPress, {w->width() / 2, w->height() / 2});
        } else if (step < 3)
            sendKey(w, Qt::Key_F, Qt::NoModifier, "f");
        else
            sendKey(w, Qt::Key_Escape);
        ++step;
    });
    driver.start(10);
    std::set<int> selected;
    runScripted(dlg, [&] {
        clickCell(dlg, 0, 2);
        click(dlg.control(813)); // returns when the graph is closed
        for (const QModelIndex& i : dlg.list()->selectionModel()->selectedRows()) selected.insert(i.row());
        click(dlg.control(802));
    });
    driver.stop();
    EXPECT_EQ(step, 4);
    EXPECT_TRUE(ui_.shown.empty());

    // The read-out went into the saved picture: the value and the row in the middle.
    const std::string doc = readFileBytes(svg);
    std::smatch y, x;
    ASSERT_TRUE(std::regex_search(doc, y, std::regex("Valore Y= (-?[0-9]+\\.[0-9]{2})")))
        << doc.substr(0, 400);
    ASSERT_TRUE(std::regex_search(doc, x, std::regex("Valore X= ([0-9]+) \\(([0-9]{6}_[0-9]{6})\\)")));
    const int row = std::stoi(x[1]);
    EXPECT_NEAR(std::stod(y[1]), 54.5, 3);               // 0..109 on the y axis
    EXPECT_NEAR(row, 50.5, 3);                           // 1..100 on the x axis
    EXPECT_EQ(x[2].str(), dlg.table().cell(row - 1, 1)); // the time of that row
    EXPECT_EQ(selected, (std::set<int>{row - 1}));
    EXPECT_TRUE(wmfConvert(wmf, dir_.dir.file("back.svg"), "svg"));
}

} // namespace
