// "Grafico" of the data table screen on the engine's real window: a click reads a value off the
// graph, "f" saves the picture (SVG and a metafile libwmf reads back), Esc closes the graph and
// the table selects the row marked last.
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "gui_helpers.h"
#include "logger/time_marks.h"
#include "plot/plot_test_support.h"
#include "plot/plot_window.h"
#include "tables/column_graph.h"
#include "tables/set_file_dialog.h"
#include "tables/table_test_support.h"
#include "tables/table_view_dialog.h"

namespace {

namespace fs = std::filesystem;

plot::PlotWindow* graphWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<plot::PlotWindow*>(w); p && p->isVisible()) return p;
    return nullptr;
}

// A left click on a cell of the table, as the list receives it.
void clickCell(DlgSetFile& d, int row, int col) {
    const QPoint at = d.list()->visualRect(d.list()->model()->index(row, col)).center();
    QWidget* v = d.list()->viewport();
    for (auto [type, held] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                              std::pair{QEvent::MouseButtonRelease, Qt::NoButton}}) {
        QMouseEvent e(type, QPointF(at), QPointF(v->mapToGlobal(at)), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(v, &e);
    }
}

class ColumnGraphDialogTest : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        initTables();
        old_ = fs::current_path();
        fs::current_path(dir_.path());
        DataTimeSS = "140523_101500";
        Tsample = 900;
        FirstTimeMarkerDload = 0;
        spessore = 1;
    }
    void TearDown() override {
        fs::current_path(old_);
        initTables();
        spessore = 1;
        KorvaneTest::TearDown();
    }
    TempDir dir_;
    fs::path old_;
};

TEST_F(ColumnGraphDialogTest, ClickReadsTheGraphSaveWritesItAndTheMarkedRowIsSelected) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 100; ++i) rows.push_back({std::to_string(i), "1.5"});
    writeBytes(DataTimeSS, sessionFile(Tsample,
                                       {"CH1: T (0.00 \xB0"
                                        "C)",
                                        "P"},
                                       rows));
    InfoSES.nItem = 100;
    InfoSES.nSubItem = 2;
    const std::string svg = dir_.file("graph.svg"), wmf = dir_.file("graph.wmf");
    ui_.filePath(svg);
    ui_.filePath(wmf);

    DlgSetFile dlg;
    int step = 0;
    bool dialogEnabled = true, windowEnabled = false;
    QString title;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        plot::PlotWindow* w = graphWindow();
        if (!w) return;
        switch (step++) {
        case 0: {
            dialogEnabled = dlg.isEnabled();
            windowEnabled = w->isEnabled();
            title = w->windowTitle();
            const QPoint middle(w->width() / 2, w->height() / 2);
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(middle), QPointF(w->mapToGlobal(middle)),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w, &press);
            break;
        }
        case 1:
        case 2:
            sendKey(w, Qt::Key_F, Qt::NoModifier, "f");
            break;
        default:
            sendKey(w, Qt::Key_Escape);
        }
    });
    driver.start(10);
    std::set<int> selected;
    runScripted(dlg, [&] {
        clickCell(dlg, 0, 2);
        static_cast<QPushButton*>(dlg.control(813))->click(); // returns when the graph is closed
        for (const QModelIndex& i : dlg.list()->selectionModel()->selectedRows()) selected.insert(i.row());
        static_cast<QPushButton*>(dlg.control(802))->click();
    });
    driver.stop();

    EXPECT_EQ(step, 4);
    EXPECT_FALSE(dialogEnabled); // the table waits for the graph
    EXPECT_TRUE(windowEnabled);
    EXPECT_TRUE(title.startsWith("Anteprima grafico"));
    EXPECT_TRUE(ui_.shown.empty());
    EXPECT_EQ(graphWindow(), nullptr);

    // The read-out went into the saved picture: the value and the row in the middle.
    const std::string doc = readAll(svg);
    std::smatch y, x;
    ASSERT_TRUE(std::regex_search(doc, y, std::regex("Valore Y= (-?[0-9]+\\.[0-9]{2})")))
        << doc.substr(0, 400);
    ASSERT_TRUE(std::regex_search(doc, x, std::regex("Valore X= ([0-9]+) \\(([0-9]{6}_[0-9]{6})\\)")));
    const double value = std::stod(y[1]);
    const int row = std::stoi(x[1]);
    EXPECT_NEAR(value, 54.5, 3); // 0..109 on the y axis
    EXPECT_NEAR(row, 50.5, 3);   // 1..100 on the x axis
    char time[16];
    const tempo t = timeAdj({14, 5, 23, 10, 15, 0}, static_cast<uint32_t>(row - 1) * 9000u);
    std::snprintf(time, sizeof time, "%02u%02u%02u_%02u%02u%02u", t.anno, t.mese, t.giorno, t.ora, t.minuto,
                  t.secondo);
    EXPECT_EQ(x[2], time);
    EXPECT_EQ(selected, (std::set<int>{row - 1}));

    EXPECT_TRUE(wmfConvert(wmf, dir_.file("back.svg"), "svg"));
}

} // namespace
