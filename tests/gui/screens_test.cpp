// A picture of every screen a user meets: each dialog on the offscreen platform, over the
// simulator where it shows a device, rendered by the widgets themselves (QWidget::grab) at the
// size the user sees, and saved as PNG in the build's "screens" folder (scripts/screens.sh).
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QSet>
#include <QTableView>
#include <filesystem>
#include <gtest/gtest.h>

#include "boards/input_boxes.h"
#include "boards/input_boxes_dialog.h"
#include "gui_helpers.h"
#include "inverter/inverter_details_dialog.h"
#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "logger/page_dialog.h"
#include "logger/sample_timer_dialog.h"
#include "platform/ui_qt_dialog.h"
#include "plot/plot_engine.h"
#include "plot/plot_window.h"
#include "shell/main_actions.h"
#include "shell/main_dialog.h"
#include "shell/quick_dialog.h"
#include "shell/screen_rules.h"
#include "shell/sel_com_dialog.h"
#include "shell/startup.h"
#include "sim/sim.h"
#include "support/fixture.h"
#include "support/state_guard.h"
#include "tables/column_graph.h"
#include "tables/data_table.h"
#include "tables/set_file_dialog.h"
#include "tables/table_view_dialog.h"

namespace {

namespace fs = std::filesystem;

// Saves the picture of `w` as NAME.png and checks it: the window's own size and more than a few
// colours (a blank or unpainted window has one or two).
void shoot(QWidget* w, const std::string& name) {
    QCoreApplication::processEvents();
    const QImage img = w->grab().toImage();
    fs::create_directories(KORVANE_SCREENS_DIR);
    const std::string path = std::string(KORVANE_SCREENS_DIR) + "/" + name + ".png";
    EXPECT_TRUE(img.save(QString::fromStdString(path), "PNG")) << path;
    EXPECT_EQ(img.size(), w->size()) << name;
    QSet<QRgb> colours;
    for (int y = 0; y < img.height() && colours.size() < 5; y += 2)
        for (int x = 0; x < img.width() && colours.size() < 5; x += 2) colours.insert(img.pixel(x, y));
    EXPECT_GE(colours.size(), 5) << name << " looks blank";
}

class Screens : public KorvaneTest {
  protected:
    void TearDown() override {
        setPcClock({});
        KorvaneTest::TearDown();
        sim_.reset();
    }
    // A simulated device, identified as the start-up does it.
    void device(sim::SimOptions o, const std::function<void(sim::DeviceState&)>& setUp = {}) {
        sim_ = std::make_unique<sim::Simulator>(o);
        std::string err;
        ASSERT_TRUE(sim_->start(&err)) << err;
        if (setUp) sim_->modifyDeviceState(setUp);
        Timeout_rx = 1000;
        ASSERT_EQ(openAndProbe(sim_->slavePath()), 1);
    }
    // The fixture logger's session as the working data file of the current folder.
    void workingFile() {
        const std::string session = fixturePath("logger-basic/expected/151231_224730.T900");
        ASSERT_EQ(loadDataFileFrom(session, "000101_000000"), 1);
    }
    InTempDir dir_;
    std::unique_ptr<sim::Simulator> sim_;
};

TEST_F(Screens, PortSelection) {
    OnlyListedPorts ports("/dev/ttyUSB0:/dev/ttyACM0");
    SelComDialog dlg;
    runScripted(dlg, [&] { shoot(&dlg, "port-selection"); });
}

TEST_F(Screens, MainPanelOfALoggerAndSampleTimer) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.stateDir = fixturePath("logger-basic");
    ASSERT_NO_FATAL_FAILURE(device(o));
    CommPort = "COM3";
    DialogMain dlg;
    runScripted(dlg, [&] { shoot(&dlg, "main-panel-logger"); });
    DlgSaTmr timer;
    runScripted(timer, [&] { shoot(&timer, "sample-timer"); });
}

TEST_F(Screens, MainPanelOfAnEnergyBoardAndInverterList) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::MW51, o.fw = 0x20, o.scenario = "empty";
    ASSERT_NO_FATAL_FAILURE(device(o, [](sim::DeviceState& d) {
        d.alarm = 0xB5;
        d.alarmInverter = 3;
        d.alarmRmin = 80;
        d.alarmAux = 0x0A;
    }));
    DialogMain dlg;
    bool listed = false;
    OnModal<DlgDettagli> onDetails([&](DlgDettagli* d) {
        if (d->listings() == 0) return;
        listed = true;
        shoot(d, "inverter-list");
        sendKey(d, Qt::Key_Escape);
    });
    runScripted(dlg, [&] {
        shoot(&dlg, "main-panel-energy-board");
        click(dlg.control(221)); // "Dettagli"
    });
    EXPECT_TRUE(listed);
}

TEST_F(Screens, WaitWindow) {
    WaitDialog w(nullptr);
    w.setText("Lettura pagina 0x0123 ...");
    w.setBar(40);
    w.show();
    shoot(&w, "wait-window");
    w.hide();
}

TEST_F(Screens, DataTableWithASelectionAndColumnGraph) {
    ASSERT_NO_FATAL_FAILURE(workingFile());
    DlgSetFile dlg;
    runScripted(dlg, [&] {
        QTableView* list = dlg.list();
        for (int col : {2, 6}) {
            const QRect r = list->visualRect(list->model()->index(1, col));
            mouseClick(list->viewport(), r.center());
        }
        shoot(&dlg, "data-table");
    });

    TableModel table;
    ASSERT_EQ(openDataTable(table), 1);
    ColumnSelection sel{};
    sel[0] = 2;
    sel[2] = sel[6] = 1;
    GraphData graph;
    ASSERT_TRUE(collectGraphData(table, sel, table.rowCount(), graph));
    plot::metafl("XWIN");
    drawGraphPicture(graph, GraphReadOut{});
    QWidget* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<plot::PlotWindow*>(w) && w->isVisible()) window = w;
    ASSERT_NE(window, nullptr);
    shoot(window, "column-graph");
    plot::disfin();
}

TEST_F(Screens, QuickViewAndPageViewer) {
    DialogQuick quick;
    runScripted(quick, [&] { shoot(&quick, "quick-view"); });
    DialogPage page;
    runScripted(page, [&] { shoot(&page, "page-viewer"); });
}

TEST_F(Screens, InputBoxes) {
    const std::pair<InputBoxKind, const char*> boxes[] = {{InputBoxKind::Num, "input-number"},
                                                          {InputBoxKind::Num2, "input-number-range"},
                                                          {InputBoxKind::Txt, "input-text"}};
    for (const auto& [kind, name] : boxes) {
        TitoloBuf = "Temperatura (\260C)";
        EditBuf = kind == InputBoxKind::Txt ? "+39055123456" : "12.5";
        InputMin = -40, InputMax = 85, Ndec = 1;
        InputBoxDialog box(kind, nullptr);
        runScripted(box, [&] { shoot(&box, name); });
    }
}

// The boxes of the main road: finding the device, reading and downloading the session, files.
TEST_F(Screens, MessageBoxes) {
    const struct {
        const char* name;
        std::string text;
        const char* title;
        MsgButtons buttons;
        MsgIcon icon;
    } boxes[] = {
        {"box-no-device", deviceNotFoundText(), "COM Error", MsgButtons::Ok, MsgIcon::Error},
        {"box-read-retry", "Errore lettura pagine !\r\nTentare di nuovo ?", "COM Error", MsgButtons::YesNo,
         MsgIcon::Error},
        {"box-page-count",
         "Numero di pagine dati prelevate: 4 (831 tot)\r\n\r\nProcedere allo scaricamento adesso ?",
         "Question", MsgButtons::YesNoCancel, MsgIcon::Info},
        {"box-download-failed", kDownloadFailedText, "Warning", MsgButtons::Ok, MsgIcon::Warning},
        {"box-clock-sync-failed", kClockSyncFailed, "Com Error", MsgButtons::Ok, MsgIcon::Error},
        {"box-lost-port", lostPortText(), "COM Error", MsgButtons::Ok, MsgIcon::Error},
        {"box-bad-file", "File non valido !", "Error", MsgButtons::Ok, MsgIcon::Error},
    };
    QtUi qt;
    installUi(&qt);
    for (const auto& b : boxes) {
        OnModal<QMessageBox> onBox([&](QMessageBox* box) {
            shoot(box, b.name);
            box->done(0);
        });
        messageBox(nullptr, b.text, b.title, b.buttons, b.icon);
        EXPECT_EQ(onBox.count, 1) << b.name;
    }
    installUi(&ui_);
}

} // namespace
