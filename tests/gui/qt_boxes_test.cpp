// The Qt input boxes (1000, 1600, 1800) and file boxes, driven through the Qt backend.
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
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
#include "support/env_guard.h"

namespace {

class QtBoxesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetState();
        installUi(&ui_);
    }
    void TearDown() override {
        installUi(nullptr);
        resetState();
    }
    QtUi ui_;
};

// Types `text` at the caret, one key event per character.
void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) sendKey(w, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

enum class Finish { EnterKey, OkButton, EscapeKey, EscButton, CloseBox };

struct Step {
    bool replace;      // select the whole field first (else type at its end)
    const char* typed; // UTF-8
    const char* field; // the field afterwards (UTF-8)
    bool ok;           // "Ok" enabled afterwards
};

struct BoxCase {
    const char* name;
    InputBoxKind kind;
    int maxEdit;
    const char* initial; // EditBuf before (Windows-1252)
    std::vector<Step> steps;
    Finish finish;
    int result;
    const char* editBuf; // EditBuf after (Windows-1252)
};

struct BoxIds {
    int dialog, edit, ok, esc, label;
};
BoxIds idsOf(InputBoxKind k) {
    return k == InputBoxKind::Num    ? BoxIds{1000, 1001, 1002, 1003, 0}
           : k == InputBoxKind::Num2 ? BoxIds{1600, 1601, 1602, 1603, 1604}
                                     : BoxIds{1800, 1802, 1804, 1803, 1801};
}

template <class W> W* child(QWidget* box, int id) {
    return box->findChild<W*>(QStringLiteral("id%1").arg(id));
}

TEST_F(QtBoxesTest, InputBoxesApplyTheirRulesOnEveryKeyAndConfirmOnlyWhenAllowed) {
    const BoxCase cases[] = {
        {"range 10..1000, 4 characters",
         InputBoxKind::Num2,
         4,
         "",
         {{false, "5", "5", false}, {true, "1000", "1000", true}, {false, "0", "1000", true}},
         Finish::EnterKey,
         1,
         "1000"},
        {"range with 3 characters cuts the fourth digit",
         InputBoxKind::Num2,
         3,
         "",
         {{false, "1000", "100", true}},
         Finish::OkButton,
         1,
         "100"},
        {"a letter empties the numeric box",
         InputBoxKind::Num,
         8,
         "",
         {{false, "12a", "", false}, {false, "3.50", "3.50", true}},
         Finish::EnterKey,
         1,
         "3.50"},
        {"initial text: Ok waits for a change; Escape cancels",
         InputBoxKind::Num,
         8,
         "7",
         {{false, "", "7", false}},
         Finish::EscapeKey,
         0,
         "7"},
        {"numeric box cancelled after a change",
         InputBoxKind::Num2,
         4,
         "20",
         {{true, "30", "30", true}},
         Finish::EscButton,
         0,
         "20"},
        {"text box cuts at its limit, any character",
         InputBoxKind::Txt,
         5,
         "ab",
         {{false, "", "ab", false}, {false, "c\xC3\xA0xyz", "abc\xC3\xA0x", true}},
         Finish::OkButton,
         1,
         "abc\xE0x"},
        {"text box closed",
         InputBoxKind::Txt,
         5,
         "ab",
         {{false, "z", "abz", true}},
         Finish::CloseBox,
         0,
         "ab"},
    };

    QWidget owner;
    owner.setGeometry(200, 150, 640, 480);
    owner.show();
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.name);
        MaxEdit = c.maxEdit;
        InputMin = 10;
        InputMax = 1000;
        Ndec = 0;
        TitoloBuf = "Temperatura (\xB0"
                    "C)";
        EditBuf = c.initial;
        const BoxIds ids = idsOf(c.kind);

        OnModal<InputBoxDialog> driver([&](InputBoxDialog* box) {
            EXPECT_EQ(box->objectName(), QStringLiteral("id%1").arg(ids.dialog));
            EXPECT_EQ(box->parentWidget(), &owner);
            EXPECT_LE((box->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 1);
            if (c.kind != InputBoxKind::Num) {
                EXPECT_EQ(box->windowTitle(), QString::fromUtf8("Temperatura (\u00B0C)"));
            }
            if (ids.label != 0) {
                auto* label = child<QLabel>(box, ids.label);
                ASSERT_NE(label, nullptr);
                EXPECT_EQ(label->text(),
                          c.kind == InputBoxKind::Num2 ? "Range: 10 ... 1000" : "(5 caratteri max)");
            }
            auto* edit = child<QLineEdit>(box, ids.edit);
            auto* ok = child<QPushButton>(box, ids.ok);
            auto* esc = child<QPushButton>(box, ids.esc);
            if (!edit || !ok || !esc) {
                ADD_FAILURE() << "controls missing";
                box->reject();
                return;
            }
            for (const Step& s : c.steps) {
                SCOPED_TRACE(s.typed);
                s.replace ? edit->selectAll() : edit->end(false);
                typeText(edit, QString::fromUtf8(s.typed));
                EXPECT_EQ(edit->text(), QString::fromUtf8(s.field));
                EXPECT_EQ(edit->cursorPosition(), edit->text().size()); // caret at the end
                EXPECT_EQ(ok->isEnabled(), s.ok);
                if (!s.ok) { // Enter does not confirm while "Ok" is disabled
                    sendKey(edit, Qt::Key_Return);
                    EXPECT_TRUE(box->isVisible());
                }
            }
            switch (c.finish) {
            case Finish::EnterKey:
                sendKey(edit, Qt::Key_Return);
                break;
            case Finish::OkButton:
                ok->click();
                break;
            case Finish::EscapeKey:
                sendKey(edit, Qt::Key_Escape);
                break;
            case Finish::EscButton:
                esc->click();
                break;
            case Finish::CloseBox:
                box->close();
                break;
            }
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
        const char* typed;
        const char* ext;
        const char* path;
    } cases[] = {
        {"/tmp/dati", "txt", "/tmp/dati.txt"},
        {"/tmp/dati", ".csv", "/tmp/dati.csv"},
        {"/tmp/dati.csv", "txt", "/tmp/dati.csv"},
        {"/tmp/v1.2/dati", "txt", "/tmp/v1.2/dati.txt"}, // a dot in a folder name does not count
        {"dati", "", "dati"},
        {"/tmp/", "txt", "/tmp/"},
        {"/tmp/sessione \xE0", "mw1", "/tmp/sessione \xE0.mw1"},
    };
    for (const auto& c : cases) EXPECT_EQ(fileBoxPath(c.typed, c.ext), c.path) << c.typed;
}

// Answers each message box shown inside a file box from a queue; records the texts.
struct BoxAnswers {
    std::vector<QMessageBox::StandardButton> answers;
    std::vector<QString> texts;
    OnModal<QMessageBox> answerer{[this](QMessageBox* box) {
        texts.push_back(box->text());
        QMessageBox::StandardButton a = QMessageBox::Ok;
        if (!answers.empty()) {
            a = answers.front();
            answers.erase(answers.begin());
        }
        if (QAbstractButton* b = box->button(a))
            b->click();
        else
            box->reject();
    }};
};

TEST_F(QtBoxesTest, FileBoxesAddTheExtensionCheckTheFileAndConvertNames) {
    TempDir tmp;
    // A folder whose name holds a non-ASCII letter: UTF-8 on disk, Windows-1252 in the core.
    const std::string folderUtf8 = tmp.path() + "/dati\xC3\xA0";
    const std::string folder = utf8ToCp1252(folderUtf8);
    std::filesystem::create_directory(folderUtf8);
    std::ofstream(folderUtf8 + "/misure.txt") << "x";
    std::ofstream(folderUtf8 + "/esiste.csv") << "x";
    std::ofstream(folderUtf8 + "/LEGGIMI") << "x";
    QWidget owner;

    { // open box: a missing name is refused, the extension is added to the next one
        FileBoxRequest req;
        req.title = "Apri sessione \xE0";
        req.filter = "Text (*.txt);;All (*)";
        req.defaultExt = "txt";
        req.initialName = folder + "/manca";
        req.mustExist = true;
        BoxAnswers msgs;
        OnModal<FileBoxDialog> driver([&](FileBoxDialog* box) {
            EXPECT_EQ(box->windowTitle(), QString::fromUtf8("Apri sessione \u00E0"));
            EXPECT_EQ(box->nameFilters(), QStringList({"Text (*.txt)", "All (*)"}));
            EXPECT_TRUE(box->testOption(QFileDialog::DontUseNativeDialog));
            EXPECT_EQ(box->acceptMode(), QFileDialog::AcceptOpen);
            EXPECT_EQ(box->parentWidget(), &owner);
            box->accept(); // "manca.txt" does not exist
            EXPECT_TRUE(box->isVisible());
            box->selectFile("misure");
            box->accept();
            if (box->isVisible()) box->reject();
        });
        std::string path;
        EXPECT_TRUE(ui().openFileBox(windowOf(&owner), req, path));
        EXPECT_EQ(path, folder + "/misure.txt");
        ASSERT_EQ(msgs.texts.size(), 1u);
        EXPECT_TRUE(msgs.texts[0].startsWith("manca.txt\n")) << msgs.texts[0].toStdString();
    }
    { // an existing file without extension is opened as it is
        FileBoxRequest req;
        req.defaultExt = "txt";
        req.initialName = folder + "/LEGGIMI";
        req.mustExist = true;
        BoxAnswers msgs;
        OnModal<FileBoxDialog> driver([&](FileBoxDialog* box) {
            box->accept();
            if (box->isVisible()) box->reject();
        });
        std::string path;
        EXPECT_TRUE(ui().openFileBox(windowOf(&owner), req, path));
        EXPECT_EQ(path, folder + "/LEGGIMI");
        EXPECT_TRUE(msgs.texts.empty());
    }
    { // save box that asks before replacing: "No" keeps the box open, "Yes" takes the file
        FileBoxRequest req;
        req.filter = "Data Export File (*.csv)";
        req.defaultExt = "csv";
        req.initialName = folder + "/esiste";
        req.askOverwrite = true;
        BoxAnswers msgs;
        msgs.answers = {QMessageBox::No, QMessageBox::Yes};
        OnModal<FileBoxDialog> driver([&](FileBoxDialog* box) {
            EXPECT_EQ(box->acceptMode(), QFileDialog::AcceptSave);
            box->accept();
            EXPECT_TRUE(box->isVisible());
            box->accept();
            if (box->isVisible()) box->reject();
        });
        std::string path;
        EXPECT_TRUE(ui().saveFileBox(windowOf(&owner), req, path));
        EXPECT_EQ(path, folder + "/esiste.csv");
        EXPECT_EQ(msgs.texts.size(), 2u);
    }
    { // without the question an existing file is simply taken; a new name too
        for (const char* name : {"esiste", "nuovo"}) {
            FileBoxRequest req;
            req.defaultExt = "csv";
            req.initialName = folder + "/" + name;
            BoxAnswers msgs;
            OnModal<FileBoxDialog> driver([&](FileBoxDialog* box) {
                box->accept();
                if (box->isVisible()) box->reject();
            });
            std::string path;
            EXPECT_TRUE(ui().saveFileBox(windowOf(&owner), req, path)) << name;
            EXPECT_EQ(path, folder + "/" + name + ".csv");
            EXPECT_TRUE(msgs.texts.empty()) << name;
        }
    }
    { // cancelled
        FileBoxRequest req;
        OnModal<FileBoxDialog> driver([](FileBoxDialog* box) { box->reject(); });
        std::string path = "unchanged";
        EXPECT_FALSE(ui().openFileBox(windowOf(&owner), req, path));
        EXPECT_EQ(path, "unchanged");
        EXPECT_EQ(driver.count, 1);
    }
}

} // namespace
