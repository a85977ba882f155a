// The Qt backend of the UI services: message boxes, the wait window, the input boxes (1000,
// 1600, 1800) and the file boxes.
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "boards/input_boxes.h"
#include "boards/input_boxes_dialog.h"
#include "gui_helpers.h"
#include "platform/text_cp1252.h"
#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"

namespace {

class QtUiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetState();
        installUi(&ui_);
    }
    void TearDown() override {
        Close_wait_msg();
        installUi(nullptr);
        resetState();
    }
    QtUi ui_;
};

TEST_F(QtUiTest, MessageBoxShowsTextButtonsIconAndReturnsTheChoice) {
    QWidget owner;
    OnModal<QMessageBox> answerer([&](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), QString("Com Error"));
        EXPECT_EQ(box->text(), QString::fromUtf8("Porta chiusa !\n\nPerch\u00E9 \u00B0C ?"));
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->parentWidget(), &owner);
        sendKey(box, Qt::Key_Escape);
    });
    EXPECT_EQ(messageBox(windowOf(&owner), "Porta chiusa !\r\n\r\nPerch\351 \260C ?", "Com Error",
                         MsgButtons::YesNo, MsgIcon::Warning),
              MsgAnswer::No);
    EXPECT_EQ(answerer.count, 1);
}

TEST_F(QtUiTest, WaitWindowShowsTextAndProgressAndEscAsksBeforeClosing) {
    for (bool escapeKey : {false, true}) { // the "Esc" button answered "No", the key "Yes"
        SCOPED_TRACE(escapeKey);
        Show_wait_msg(nullptr, "Lettura pagine\r\nin corso...");
        QPointer<QWidget> w = widgetOf(ui_.waitWindow());
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(QApplication::activeModalWidget(), w.data()); // the rest of the program is blocked
        auto* text = w->findChild<QLabel*>("id302");
        auto* bar = w->findChild<QProgressBar*>("id303");
        ASSERT_TRUE(text && bar);
        EXPECT_EQ(text->text(), QString("Lettura pagine\nin corso..."));
        Print_wait_msg("Pagina 3 di 4");
        Setbar_wait_msg(3, 4);
        EXPECT_EQ(text->text(), QString("Pagina 3 di 4"));
        EXPECT_EQ(bar->value() * 100 / bar->maximum(), 75);

        OnModal<QMessageBox> answerer([&](QMessageBox* box) {
            EXPECT_EQ(box->text(), QString("Confermare l'abbandono dell'operazione ?"));
            EXPECT_EQ(box->parentWidget(), w.data());
            box->button(escapeKey ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        EXPECT_EQ(Test_wait_msg(), 1); // nothing pressed yet: no question
        escapeKey ? sendKey(w, Qt::Key_Escape) : w->findChild<QPushButton*>("id301")->click();
        EXPECT_EQ(answerer.count, 0); // only the pump reports the press
        EXPECT_EQ(Test_wait_msg(), 1);
        EXPECT_EQ(answerer.count, 1);
        EXPECT_EQ(w.isNull(), escapeKey);
        EXPECT_EQ(Test_wait_msg(), escapeKey ? 0 : 1);
        EXPECT_EQ(answerer.count, 1); // one press, one question
        Close_wait_msg();
        EXPECT_TRUE(w.isNull());
        EXPECT_EQ(Test_wait_msg(), 0);
    }
}

TEST_F(QtUiTest, InputBoxesApplyTheirRulesOnEveryKeyAndConfirmOnlyWhenAllowed) {
    enum Finish { EnterKey, OkButton, CloseBox };
    struct Step {
        const char* typed; // UTF-8, at the end of the field
        const char* field; // the field afterwards (UTF-8)
        bool ok;           // "Ok" enabled afterwards
    };
    const struct {
        InputBoxKind kind;
        int maxEdit, first;  // the box's id
        const char* initial; // EditBuf before (Windows-1252)
        std::vector<Step> steps;
        Finish finish;
        int result;
        const char* editBuf; // EditBuf after (Windows-1252)
    } cases[] = {
        {InputBoxKind::Num2,
         4,
         1600,
         "",
         {{"1", "1", false}, {"000", "1000", true}, {"0", "1000", true}},
         EnterKey,
         1,
         "1000"},
        {InputBoxKind::Num, 8, 1000, "", {{"12a", "", false}, {"3.50", "3.50", true}}, OkButton, 1, "3.50"},
        {InputBoxKind::Num, 8, 1000, "7", {{"", "7", false}, {"1", "71", true}}, CloseBox, 0, "7"},
        {InputBoxKind::Txt, 5, 1800, "ab", {{"c\xC3\xA0xyz", "abc\xC3\xA0x", true}}, OkButton, 1, "abc\xE0x"},
    };
    QWidget owner;
    owner.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << " " << c.steps.back().typed);
        MaxEdit = c.maxEdit;
        InputMin = 10;
        InputMax = 1000;
        Ndec = 0;
        TitoloBuf = "Temperatura (\260C)";
        EditBuf = c.initial;
        OnModal<InputBoxDialog> driver([&](InputBoxDialog* box) {
            if (c.first != 1000) {
                EXPECT_EQ(box->windowTitle(), QString::fromUtf8("Temperatura (\u00B0C)"));
            }
            const bool txt = c.first == 1800;
            auto* edit = box->findChild<QLineEdit*>(QStringLiteral("id%1").arg(c.first + (txt ? 2 : 1)));
            auto* ok = box->findChild<QPushButton*>(QStringLiteral("id%1").arg(c.first + (txt ? 4 : 2)));
            if (!edit || !ok) {
                ADD_FAILURE() << "controls missing";
                box->reject();
                return;
            }
            for (const Step& s : c.steps) {
                edit->end(false);
                typeText(edit, QString::fromUtf8(s.typed));
                EXPECT_EQ(edit->text(), QString::fromUtf8(s.field)) << s.typed;
                EXPECT_EQ(ok->isEnabled(), s.ok) << s.typed;
                if (!s.ok) { // Enter does not confirm while "Ok" is disabled
                    sendKey(edit, Qt::Key_Return);
                    EXPECT_TRUE(box->isVisible());
                }
            }
            c.finish == EnterKey   ? sendKey(edit, Qt::Key_Return)
            : c.finish == OkButton ? ok->click()
                                   : (void)box->close();
            if (box->isVisible()) {
                ADD_FAILURE() << "the box stayed open";
                box->reject();
            }
        });
        const int r = c.kind == InputBoxKind::Num    ? DlgInputNum(windowOf(&owner))
                      : c.kind == InputBoxKind::Num2 ? DlgInputNum2_(windowOf(&owner))
                                                     : DlgInputTxt(windowOf(&owner));
        EXPECT_EQ(driver.count, 1);
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(EditBuf, c.editBuf);
    }
}

TEST(FileBoxRules, DefaultExtensionOnlyWhenTheNameHasNone) {
    const struct {
        const char *typed, *ext, *path;
    } cases[] = {
        {"/tmp/dati", ".csv", "/tmp/dati.csv"},
        {"/tmp/dati.csv", "txt", "/tmp/dati.csv"},
        {"/tmp/", "txt", "/tmp/"},
        {"/tmp/v1.2/dati", "txt", "/tmp/v1.2/dati.txt"}, // a dot in a folder name does not count
    };
    for (const auto& c : cases) EXPECT_EQ(fileBoxPath(c.typed, c.ext), c.path) << c.typed;
}

TEST_F(QtUiTest, FileBoxesAddTheExtensionCheckTheFileAndConvertNames) {
    TempDir tmp;
    // A folder whose name holds a non-ASCII letter: UTF-8 on disk, Windows-1252 in the core.
    const std::string folderUtf8 = tmp.path() + "/dati\xC3\xA0", folder = utf8ToCp1252(folderUtf8);
    std::filesystem::create_directory(folderUtf8);
    for (const char* f : {"/misure.txt", "/esiste.csv", "/LEGGIMI"}) std::ofstream(folderUtf8 + f) << "x";
    QWidget owner;
    std::vector<QString> texts; // of the message boxes shown inside the file boxes
    std::vector<QMessageBox::StandardButton> answers;
    OnModal<QMessageBox> answerer([&](QMessageBox* box) {
        texts.push_back(box->text());
        const auto a = answers.empty() ? QMessageBox::Ok : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        box->button(a) ? box->button(a)->click() : box->reject();
    });
    // Runs a box with `script`; the path chosen, or "-" when cancelled.
    auto run = [&](bool save, const FileBoxRequest& req, const std::function<void(FileBoxDialog*)>& script) {
        OnModal<FileBoxDialog> driver([&](FileBoxDialog* box) {
            script(box);
            if (box->isVisible()) box->reject();
        });
        std::string path = "-";
        const bool chosen = save ? ui().saveFileBox(windowOf(&owner), req, path)
                                 : ui().openFileBox(windowOf(&owner), req, path);
        EXPECT_EQ(chosen, path != "-");
        return path;
    };
    auto accept = [](FileBoxDialog* box) { box->accept(); };

    // Open box: a missing name is refused, the extension is added to the next one.
    FileBoxRequest open{"Apri sessione \xE0", "", "txt", folder + "/manca", true, false};
    EXPECT_EQ(run(false, open,
                  [&](FileBoxDialog* box) {
                      EXPECT_EQ(box->windowTitle(), QString::fromUtf8("Apri sessione \u00E0"));
                      EXPECT_EQ(box->parentWidget(), &owner);
                      box->accept(); // "manca.txt" does not exist
                      EXPECT_TRUE(box->isVisible());
                      box->selectFile("misure");
                      box->accept();
                  }),
              folder + "/misure.txt");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0].startsWith("manca.txt\n")) << texts[0].toStdString();
    open.initialName = folder + "/LEGGIMI"; // an existing file without extension is taken as it is
    EXPECT_EQ(run(false, open, accept), folder + "/LEGGIMI");

    // Save box that asks before replacing: "No" keeps the box open, "Yes" takes the file.
    answers = {QMessageBox::No, QMessageBox::Yes};
    FileBoxRequest save{"", "", "csv", folder + "/esiste", false, true};
    EXPECT_EQ(run(true, save,
                  [](FileBoxDialog* box) {
                      box->accept();
                      EXPECT_TRUE(box->isVisible());
                      box->accept();
                  }),
              folder + "/esiste.csv");
    EXPECT_EQ(texts.size(), 3u);
    save.askOverwrite = false; // without the question an existing file is simply taken
    EXPECT_EQ(run(true, save, accept), folder + "/esiste.csv");
    EXPECT_EQ(run(false, FileBoxRequest{}, [](FileBoxDialog* box) { box->reject(); }), "-");
    EXPECT_EQ(texts.size(), 3u);
}

} // namespace
