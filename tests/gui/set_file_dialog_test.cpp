// The data table screen (dialog 800) on a working file: column and row clicks with the buttons
// they enable, the edit commands through the screen, the header and cell editors, the row limit,
// saving and the post-processing launcher (dialog 1100).
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "gui_helpers.h"
#include "platform/text_cp1252.h"
#include "platform/ui_qt_dialog.h"
#include "tables/export_format.h"
#include "tables/header_editor_dialog.h"
#include "tables/plugin_dialog.h"
#include "tables/set_file_dialog.h"
#include "tables/table_test_support.h"
#include "tables/table_view_dialog.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

void mouseClick(QWidget* w, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, button,
                      mods);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), QPointF(w->mapToGlobal(pos)), button,
                        Qt::NoButton, mods);
    QApplication::sendEvent(w, &release);
}

QPoint cellAt(DlgSetFile& d, int row, int col) {
    return d.list()->visualRect(d.list()->model()->index(row, col)).center();
}

void clickCell(DlgSetFile& d, int row, int col, Qt::MouseButton b = Qt::LeftButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
    mouseClick(d.list()->viewport(), cellAt(d, row, col), b, mods);
}

void clickHeader(DlgSetFile& d, int col) {
    QHeaderView* h = d.list()->horizontalHeader();
    mouseClick(h->viewport(),
               QPoint(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2),
               Qt::LeftButton);
}

void press(DlgSetFile& d, int id) {
    static_cast<QPushButton*>(d.control(id))->click();
}

// Enabled state of "<<< Sposta colonna", "Fondi colonne", "Elimina colonne", "Elimina item",
// "Grafico".
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

QColor background(DlgSetFile& d, int row, int col) {
    return d.list()->model()->index(row, col).data(Qt::BackgroundRole).value<QColor>();
}

// What the screen painted near the top left corner of a cell.
QColor painted(DlgSetFile& d, int row, int col) {
    const QImage img = d.list()->viewport()->grab().toImage();
    const QRect r = d.list()->visualRect(d.list()->model()->index(row, col));
    return img.pixelColor(r.topLeft() + QPoint(3, 3));
}

class SetFileTest : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        initTables();
        old_ = fs::current_path();
        fs::current_path(dir_.path());
        DataTimeSS = "140523_101500";
        Tsample = 900;
        FirstTimeMarkerDload = 0;
        TotalNodeNum = 0;
        Exe_dir = exe_.path();
    }
    void TearDown() override {
        fs::current_path(old_);
        initTables();
        KorvaneTest::TearDown();
    }
    // The working file with these columns and rows; InfoSES announces `announced` rows.
    void work(const Strings& titles, const std::vector<Strings>& rows, int announced = -1) {
        writeBytes(DataTimeSS, sessionFile(Tsample, titles, rows));
        InfoSES.nItem = announced < 0 ? static_cast<uint32_t>(rows.size()) : static_cast<uint32_t>(announced);
        InfoSES.nSubItem = static_cast<uint32_t>(titles.size());
    }
    Strings headers(DlgSetFile& d) { return headersOf(d.table()); }

    TempDir dir_, exe_;
    fs::path old_;
};

TEST_F(SetFileTest, OpensOverTheWholeScreenWithTheTableAndTheSaveChoices) {
    work({"CH1_1: Temperatura (0.00 \xB0"
          "C)",
          "B", "C"},
         {{"1.5", "2", "3"}, {"4", "5", "6"}});
    Flag.file_format = 1;
    Flag.comma = 1;
    DlgSetFile dlg;
    QRect screen, geometry, frame, list, esc, move, graph;
    QString title, firstHeader, comma;
    bool formatB = false;
    std::string state;
    std::vector<int> widths;
    Strings row1;
    runScripted(dlg, [&] {
        screen = dlg.screen()->availableGeometry();
        geometry = dlg.geometry();
        frame = dlg.frameGeometry();
        title = dlg.windowTitle();
        list = dlg.control(801)->geometry();
        esc = dlg.control(802)->geometry();
        move = dlg.control(803)->geometry();
        graph = dlg.control(813)->geometry();
        formatB = static_cast<QRadioButton*>(dlg.control(806))->isChecked();
        comma = static_cast<QPushButton*>(dlg.control(808))->text();
        state = buttons(dlg);
        firstHeader = dlg.list()->model()->headerData(2, Qt::Horizontal).toString();
        for (int c = 2; c < 5; ++c) widths.push_back(dlg.list()->columnWidth(c));
        row1 = rowOf(dlg.table(), 1);
        press(dlg, 802);
    });
    EXPECT_EQ(frame, screen.adjusted(1, 1, 0, 0)); // the whole screen from (1, 1)
    EXPECT_EQ(title, "Formattazione file di uscita");
    EXPECT_EQ(list, QRect(38, 110, geometry.width() - 100, geometry.height() - 300));
    EXPECT_EQ(move.topLeft(), QPoint(38, list.bottom() + 11));
    EXPECT_GE(graph.left(), 500);
    EXPECT_EQ(esc.left(), geometry.width() - 122);
    EXPECT_TRUE(formatB);
    EXPECT_EQ(comma, "Virgola");
    EXPECT_EQ(state, "00000");
    EXPECT_EQ(firstHeader, QString::fromUtf8("CH1_1: Temperatura (0.00 \u00B0C)"));
    const int w = dataColumnWidth(screen.width(), 3);
    EXPECT_EQ(widths, (std::vector<int>{w, w, w}));
    EXPECT_EQ(row1, (Strings{"    2", "140523_103000", "4", "5", "6"}));
    EXPECT_EQ(PosWin3.enabled, 1);
    EXPECT_EQ(PosWin3.left, frame.left());
    EXPECT_EQ(PosWin3.bottom, frame.bottom() + 1);
    EXPECT_TRUE(ui_.shown.empty());
}

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
        {2, true, {}, "00000"},      {4, false, {4}, "10101"},
    };
    DlgSetFile dlg;
    const QColor grey(230, 230, 230), yellow(255, 255, 0), white(255, 255, 255);
    runScripted(dlg, [&] {
        for (const Step& s : steps) {
            SCOPED_TRACE(testing::Message() << "column " << s.col << (s.right ? " right" : " left"));
            clickCell(dlg, 1, s.col, s.right ? Qt::RightButton : Qt::LeftButton);
            EXPECT_EQ(selectedColumns(), s.selected);
            EXPECT_EQ(buttons(dlg), s.buttons);
            for (int c = 0; c < 5; ++c) {
                const bool sel = std::find(s.selected.begin(), s.selected.end(), c) != s.selected.end();
                const QColor want = c < 2 ? grey : sel ? yellow : white;
                EXPECT_EQ(background(dlg, 0, c), want) << c;
                EXPECT_EQ(painted(dlg, 1, c), want) << c; // row 0 holds the view's current item
            }
        }
        EXPECT_TRUE(selectedRows(dlg).empty()); // data column clicks never select rows
        press(dlg, 802);
    });
    EXPECT_TRUE(selectedColumns().empty()); // "Esc" clears the selection
}

TEST_F(SetFileTest, ItemAndTimeClicksSelectRowsAndEnableEliminaItemForOneKeptRun) {
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
        {5, 0, Qt::LeftButton, Qt::ControlModifier, {0, 1, 5}, true}, // start and end: rows 2..4 kept
        {3, 1, Qt::LeftButton, Qt::ControlModifier, {0, 1, 3, 5}, false},
        {3, 0, Qt::LeftButton, Qt::ControlModifier, {0, 1, 3, 5}, false}, // a click keeps its row
        {2, 1, Qt::RightButton, Qt::NoModifier, {2, 4}, false},           // inverted
        {4, 0, Qt::RightButton, Qt::NoModifier, {0, 1, 3, 5}, false},
        {2, 2, Qt::LeftButton, Qt::NoModifier, {}, false}, // a data column deselects them all
    };
    DlgSetFile dlg;
    std::set<int> afterKeys, afterSelectAll;
    runScripted(dlg, [&] {
        for (const Step& s : steps) {
            SCOPED_TRACE(testing::Message() << "row " << s.row << " column " << s.col);
            clickCell(dlg, s.row, s.col, s.button, s.mods);
            EXPECT_EQ(selectedRows(dlg), s.selected);
            EXPECT_EQ(dlg.control(811)->isEnabled(), s.deleteItems);
        }
        // Rows are not selectable now: whatever selects them is undone at once.
        dlg.list()->selectRow(4);
        sendKey(dlg.list(), Qt::Key_Down, Qt::ShiftModifier);
        afterKeys = selectedRows(dlg);
        dlg.list()->selectAll();
        afterSelectAll = selectedRows(dlg);
        press(dlg, 802);
    });
    EXPECT_TRUE(afterKeys.empty());
    EXPECT_TRUE(afterSelectAll.empty());
}

TEST_F(SetFileTest, EliminaItemKeepsTheRunOfUnselectedRows) {
    std::vector<Strings> rows;
    for (int r = 0; r < 6; ++r) rows.push_back({std::to_string(r)});
    work({"A"}, rows);
    DlgSetFile dlg;
    Strings kept;
    std::set<int> selectedAfter;
    bool enabledAfterNo = false, enabledAfterYes = true;
    runScripted(dlg, [&] {
        clickCell(dlg, 0, 0);
        clickCell(dlg, 4, 1, Qt::LeftButton, Qt::ControlModifier);
        clickCell(dlg, 5, 1, Qt::LeftButton, Qt::ControlModifier);
        ui_.expect("Procedere alla cancellazione degli item selezionati ?", "Warning", MsgAnswer::No);
        press(dlg, 811);
        enabledAfterNo = dlg.control(811)->isEnabled();
        ui_.expect("Procedere alla cancellazione degli item selezionati ?", "Warning", MsgAnswer::Yes);
        press(dlg, 811);
        enabledAfterYes = dlg.control(811)->isEnabled();
        for (int r = 0; r < dlg.table().rowCount(); ++r) kept.emplace_back(dlg.table().cell(r, 2));
        selectedAfter = selectedRows(dlg);
        press(dlg, 802);
    });
    EXPECT_TRUE(enabledAfterNo);
    EXPECT_FALSE(enabledAfterYes);
    EXPECT_EQ(kept, (Strings{"1", "2", "3"}));
    EXPECT_EQ(InfoSES.nItem, 3u);
    EXPECT_TRUE(selectedAfter.empty());
    EXPECT_EQ(item_sel_en, 0);
}

TEST_F(SetFileTest, FondiColonneAsksAndMergesIntoTheLeftmostColumn) {
    work({"A", "B", "C"}, {{"1.4", "2", "5"}, {"2.0", "4.0", "7"}});
    DlgSetFile dlg;
    Strings headsAfterNo, heads, row0, row1;
    std::string before, after;
    std::vector<int> selected;
    runScripted(dlg, [&] {
        clickCell(dlg, 0, 2);
        clickCell(dlg, 0, 3);
        before = buttons(dlg);
        ui_.expect("Procedere alla fusione delle colonne selezionate ?", "Warning", MsgAnswer::No);
        press(dlg, 804);
        headsAfterNo = headersOf(dlg.table());
        ui_.expect("Procedere alla fusione delle colonne selezionate ?", "Warning", MsgAnswer::Yes);
        press(dlg, 804);
        heads = headersOf(dlg.table());
        row0 = rowOf(dlg.table(), 0);
        row1 = rowOf(dlg.table(), 1);
        selected = selectedColumns();
        after = buttons(dlg);
        press(dlg, 802);
    });
    EXPECT_EQ(before, "01101");
    EXPECT_EQ(headsAfterNo, (Strings{"Item", "Time", "A", "B", "C"}));
    EXPECT_EQ(heads, (Strings{"Item", "Time", "A", "C"}));
    // The mean with the decimals of the last cell read: 1.7 as "2", 3 as "3.0".
    EXPECT_EQ(row0, (Strings{"    1", "140523_101500", "2", "5"}));
    EXPECT_EQ(row1, (Strings{"    2", "140523_103000", "3.0", "7"}));
    EXPECT_EQ(selected, (std::vector<int>{2}));
    EXPECT_EQ(after, "00101"); // column 2 alone: no move, no merge
    EXPECT_EQ(InfoSES.nSubItem, 2u);
    EXPECT_EQ(ui_.shown.size(), 2u); // the two questions, no failure
}

TEST_F(SetFileTest, SpostaColonnaMovesTheSelectedColumnLeftUntilColumn2) {
    work({"A", "B", "C"}, {{"1", "2", "3"}});
    DlgSetFile dlg;
    std::vector<Strings> heads;
    std::vector<std::vector<int>> sels;
    std::vector<std::string> states;
    std::vector<QColor> colours;
    runScripted(dlg, [&] {
        clickCell(dlg, 0, 4);
        for (int i = 0; i < 2; ++i) {
            press(dlg, 803);
            heads.push_back(headersOf(dlg.table()));
            sels.push_back(selectedColumns());
            states.push_back(buttons(dlg));
            colours.push_back(painted(dlg, 0, 2));
        }
        clickCell(dlg, 0, 3); // after a move a click starts a new selection
        sels.push_back(selectedColumns());
        press(dlg, 802);
    });
    EXPECT_EQ(heads,
              (std::vector<Strings>{{"Item", "Time", "A", "C", "B"}, {"Item", "Time", "C", "A", "B"}}));
    EXPECT_EQ(rowOf(dlg.table(), 0), (Strings{"    1", "140523_101500", "3", "1", "2"}));
    EXPECT_EQ(sels, (std::vector<std::vector<int>>{{3}, {2}, {3}}));
    EXPECT_EQ(states, (std::vector<std::string>{"10101", "00101"}));
    EXPECT_EQ(colours, (std::vector<QColor>{QColor(255, 255, 255), QColor(255, 255, 0)}));
}

TEST_F(SetFileTest, EliminaColonneAsksAndNeverDeletesTheLastDataColumn) {
    work({"A", "B", "C"}, {{"1", "2", "3"}});
    DlgSetFile dlg;
    Strings headsAfterNo, heads;
    std::string afterDelete, lastColumn;
    runScripted(dlg, [&] {
        clickCell(dlg, 0, 2);
        clickCell(dlg, 0, 4);
        ui_.expect("Procedere all'eliminazione delle colonne selezionate ?", "Warning", MsgAnswer::No);
        press(dlg, 812);
        headsAfterNo = headersOf(dlg.table());
        ui_.expect("Procedere all'eliminazione delle colonne selezionate ?", "Warning", MsgAnswer::Yes);
        press(dlg, 812);
        heads = headersOf(dlg.table());
        afterDelete = buttons(dlg);
        clickCell(dlg, 0, 2);
        lastColumn = buttons(dlg);
        press(dlg, 802);
    });
    EXPECT_EQ(headsAfterNo, (Strings{"Item", "Time", "A", "B", "C"}));
    EXPECT_EQ(heads, (Strings{"Item", "Time", "B"}));
    EXPECT_EQ(rowOf(dlg.table(), 0), (Strings{"    1", "140523_101500", "2"}));
    EXPECT_EQ(InfoSES.nSubItem, 1u);
    EXPECT_EQ(afterDelete, "00000");
    EXPECT_EQ(lastColumn, "00001"); // only "Grafico"
}

TEST_F(SetFileTest, HeaderClickEditsTheTitleInDialog900) {
    work({"A", "B"}, {{"1", "2"}});
    DlgSetFile dlg;
    struct Seen {
        QString shown;
        bool okAtStart = true, okWhenEmpty = true, openAfterEnter = false, okWhenTyped = false;
    };
    std::vector<Seen> seen;
    int step = 0;
    // 1st: emptied (Enter does nothing), then a new title with a degree sign, "Ok".
    // 2nd: typed, then "Esc". 3rd: 150 characters, Enter.
    OnModal<DlgInputText> editor([&](DlgInputText* box) {
        auto* edit = static_cast<QLineEdit*>(box->control(902));
        Seen v;
        v.shown = edit->text();
        v.okAtStart = box->control(904)->isEnabled();
        edit->setText("");
        v.okWhenEmpty = box->control(904)->isEnabled();
        sendKey(edit, Qt::Key_Return);
        v.openAfterEnter = box->isVisible();
        switch (step++) {
        case 0:
            edit->setText(QString::fromUtf8("Temperatura (\u00B0C)"));
            v.okWhenTyped = box->control(904)->isEnabled();
            static_cast<QPushButton*>(box->control(904))->click();
            break;
        case 1:
            edit->setText("scartato");
            static_cast<QPushButton*>(box->control(903))->click();
            break;
        default:
            edit->setText(QString(150, QChar('x')));
            sendKey(edit, Qt::Key_Enter);
            break;
        }
        seen.push_back(v);
    });
    Strings heads;
    runScripted(dlg, [&] {
        clickHeader(dlg, 3);
        clickHeader(dlg, 3);
        clickHeader(dlg, 2);
        heads = headersOf(dlg.table());
        press(dlg, 802);
    });
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].shown, "B");
    EXPECT_EQ(seen[1].shown, QString::fromUtf8("Temperatura (\u00B0C)"));
    for (const Seen& v : seen) {
        EXPECT_FALSE(v.okAtStart);
        EXPECT_FALSE(v.okWhenEmpty);
        EXPECT_TRUE(v.openAfterEnter);
    }
    EXPECT_TRUE(seen[0].okWhenTyped);
    EXPECT_EQ(heads, (Strings{"Item", "Time", std::string(100, 'x'),
                              "Temperatura (\xB0"
                              "C)"}));
}

TEST_F(SetFileTest, DoubleClickEditsADataCellWithTheNumericBox) {
    work({"A", "B"}, {{"1", "2"}, {"3", "4"}});
    DlgSetFile dlg;
    Strings row1AfterEdit, row1AfterCancel;
    runScripted(dlg, [&] {
        ui_.inputText("5.250");
        doubleClick(dlg.list()->viewport(), cellAt(dlg, 1, 3));
        row1AfterEdit = rowOf(dlg.table(), 1);
        ui_.inputCancel();
        doubleClick(dlg.list()->viewport(), cellAt(dlg, 1, 2));
        row1AfterCancel = rowOf(dlg.table(), 1);
        doubleClick(dlg.list()->viewport(), cellAt(dlg, 1, 1)); // the time column is not edited
        press(dlg, 802);
    });
    ASSERT_EQ(ui_.inputsShown.size(), 2u);
    EXPECT_EQ(ui_.inputsShown[0].kind, InputBoxKind::Num);
    EXPECT_EQ(ui_.inputsShown[0].initial, "4");
    EXPECT_EQ(ui_.inputsShown[0].maxEdit, 10);
    EXPECT_EQ(ui_.inputsShown[1].initial, "3");
    EXPECT_EQ(row1AfterEdit, (Strings{"    2", "140523_103000", "3", "5.250"}));
    EXPECT_EQ(row1AfterCancel, row1AfterEdit);
}

TEST_F(SetFileTest, MoreThan100000RowsAreCutWithAWarning) {
    work({"A"}, {{"1"}, {"2"}}, 100001);
    DlgSetFile dlg;
    int rows = 0;
    Strings last;
    QString lastShown;
    runScripted(dlg, [&] {
        rows = dlg.list()->model()->rowCount();
        last = rowOf(dlg.table(), 99999);
        dlg.list()->scrollToBottom();
        QCoreApplication::processEvents();
        lastShown = dlg.list()->model()->index(99999, 0).data().toString();
        press(dlg, 802);
    });
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "Il numero di Item e' stato limitato a 100000 !");
    EXPECT_EQ(ui_.shown[0].title, "Warning");
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(rows, 100000);
    EXPECT_EQ(InfoSES.nItem, 100000u);
    EXPECT_EQ(last, (Strings{"100000", "170330_020000", ""})); // 99,999 quarters of an hour later
    EXPECT_EQ(lastShown, "100000");
}

void makeProgram(const std::string& path, const std::string& record) {
    writeBytes(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + record + "'\n");
    ::chmod(path.c_str(), 0755);
}

TEST_F(SetFileTest, SaveExportsAndOffersThePostProcessingPrograms) {
    work({"T (0.00 \xB0"
          "C)",
          "P"},
         {{"12.50", "7"}, {"-3.2", "_Irr_low"}});
    const std::string record = exe_.file("record.txt");
    makeProgram(exe_.file("Pcomp.exe"), record);
    const std::string out = dir_.file("uscita.txt");
    DlgSetFile dlg;
    std::vector<QString> launcherButtons;
    int launcherStep = 0;
    OnModal<DlgPlugin> launcher([&](DlgPlugin* p) {
        if (launcherStep++ == 0) {
            for (int id : {1101, 1102})
                launcherButtons.push_back(p->control(id) ? static_cast<QPushButton*>(p->control(id))->text()
                                                         : "-");
            static_cast<QPushButton*>(p->control(1101))->click(); // runs Pcomp and waits for it
        } else {
            static_cast<QPushButton*>(p->control(1104))->click();
        }
    });
    QString commaText;
    runScripted(dlg, [&] {
        static_cast<QRadioButton*>(dlg.control(806))->click();
        press(dlg, 808);
        commaText = static_cast<QPushButton*>(dlg.control(808))->text();
        ui_.filePath(out);
        press(dlg, 807);
        Flag.page_type = 1; // the page viewer's session: no post-processing
        ui_.filePath(dir_.file("again.txt"));
        press(dlg, 807);
        Flag.page_type = 0;
        ui_.fileCancel();
        press(dlg, 807);
        press(dlg, 802);
    });
    EXPECT_EQ(commaText, "Virgola");
    EXPECT_EQ(Flag.comma, 1);
    EXPECT_EQ(Flag.file_format, 1);
    EXPECT_EQ(readBytes(out), "\"DATE:\";\"TIME:\";\"T (0.00 \xB0"
                              "C)\";\"P\"\r\n"
                              "\"23.05.14\";\"10:15:00\";12,50;7\r\n"
                              "\"23.05.14\";\"10:30:00\";-3,2;100\r\n");
    ASSERT_EQ(ui_.fileBoxes.size(), 3u);
    EXPECT_EQ(ui_.fileBoxes[0].initialName, "140523_101500");
    EXPECT_EQ(launcher.count >= 2, true);
    EXPECT_EQ(launcherButtons, (std::vector<QString>{"Pcomp", "-"}));
    EXPECT_EQ(readBytes(record), out + "\n"); // once, with the file just written
}

class PluginDialogTest : public KorvaneTest {
  protected:
    TempDir exe_;
};

TEST_F(PluginDialogTest, OneButtonPerProgramFoundAndNoneClosesAtOnce) {
    struct Case {
        Strings files;
        int result;
        std::vector<QString> labels; // of 1101 and 1102 ("-": removed)
    } cases[] = {
        {{}, 0, {}},
        {{"heatlane.EXE"}, 1, {"Heatlane", "-"}},
        {{"Heatlane", "PCOMP.exe"}, 1, {"Pcomp", "Heatlane"}},
    };
    for (const Case& c : cases) {
        TempDir exe;
        for (const std::string& f : c.files) makeProgram(exe.file(f), exe.file("record.txt"));
        Exe_dir = exe.path();
        std::vector<QString> labels;
        OnModal<DlgPlugin> closer([&](DlgPlugin* p) {
            for (int id : {1101, 1102})
                labels.push_back(p->control(id) ? static_cast<QPushButton*>(p->control(id))->text() : "-");
            p->close(); // the close box ends it like "Esc"
        });
        DlgPlugin dlg;
        EXPECT_EQ(dlg.run(), c.result);
        EXPECT_EQ(labels, c.labels);
        EXPECT_EQ(dlg.windowTitle(), "Post-elaborazione dati");
    }
}

} // namespace
