#include "shell/table_hook_dialog.h"

#include "tables/set_file_dialog.h"

int openDataTableFor(QWidget* owner) {
    DlgSetFile table(owner);
    return table.run();
}
