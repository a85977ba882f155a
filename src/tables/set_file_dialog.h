#pragma once
// Dialog 800 "Formattazione file di uscita": the working data file DataTimeSS as a table over the
// whole screen. Clicks select data columns (left) or deselect them (right), or select rows on
// the "Item" and "Time" columns; the buttons move, merge and delete columns, cut rows, plot the
// selected columns and save the table in format A or B. Controls (object names "id<N>"): list
// 801, "Esc" 802, "<<< Sposta colonna" 803, "Fondi colonne" 804, "Formato File A" 805,
// "Formato File B" 806, "Save" 807, decimal separator 808, group 809, label 810, "Elimina item"
// 811, "Elimina colonne" 812, "Grafico" 813.
#include <QDialog>
#include <memory>

#include "tables/table_model.h"

class DataTableView;
class QItemSelection;
class QPushButton;
class QRadioButton;
class TableViewModel;

class DlgSetFile : public QDialog {
    Q_OBJECT
  public:
    explicit DlgSetFile(QWidget* parent = nullptr);
    ~DlgSetFile() override;

    // Takes the whole screen, loads the working file (limited to 100,000 rows, with a warning)
    // and runs the dialog modally. Ends with 0 ("Esc" or the close box).
    int run();

    QWidget* control(int id) const;
    DataTableView* list() const { return list_; }
    const TableModel& table() const { return table_; }

  public slots:
    void reject() override; // "Esc", Escape and the close box

  protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void buildControls();
    void layoutControls(QSize client);
    void setColumnWidths();
    void rememberPosition();
    // Buttons 803, 804, 812, 813 for the column selection; button 811 for the row selection.
    void showColumnButtons();
    void showItemButton(bool enabled);
    // The view's row selection into the table's row marks (refused while rows are not
    // selectable), and the table's marks back into the view.
    void markRows(const QItemSelection& selected, const QItemSelection& deselected);
    void showRowMarks();

    void itemColumnClicked(int row, bool rightClick);
    void dataColumnClicked(int col, bool rightClick);
    void editHeader(int col);
    void editCell(int row, int col);
    void moveColumn();
    void mergeColumns();
    void deleteColumns();
    void deleteRows();
    void graph();
    void toggleComma();
    void save();
    // The column graph of the selected columns. Its result: -2 no graph possible, -1 closed
    // without a marked row, otherwise the row marked in the graph.
    int graphColumns();

    TableModel table_;
    std::unique_ptr<TableViewModel> model_;
    DataTableView* list_ = nullptr;
    QRadioButton* formatA_ = nullptr;
    QRadioButton* formatB_ = nullptr;
    QPushButton* comma_ = nullptr;
    bool syncing_ = false;  // the view's selection is being set from the table's marks
    bool placed_ = false;   // positioned: moves from now on are remembered
    bool fitted_ = false;   // the frame has been taken off the window's size
    int screenWidth_ = 800; // [pixels], shares out the width of the data columns
};
